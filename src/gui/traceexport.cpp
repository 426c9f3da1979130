// SPDX-License-Identifier: MIT
#include "gui/traceexport.h"

#include <cmath>

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

#include "gui/profile.h"
#include "session/figureexport.h"
#include "widgets/numbers.h"
#include "wire/wire.h"

namespace gui {

namespace {

constexpr double kUnitsPerPixel = 15;

QColor colour(std::int64_t c)
{
    return QColor(widgets::num::red(c), widgets::num::green(c), widgets::num::blue(c));
}

void drawText(QPainter& p, const figure::Text& t)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(t.size))));
    font.setBold(t.bold);
    p.setFont(font);
    p.setPen(colour(t.colour));
    const QString text = QString::fromStdString(t.text);
    double x = t.x;
    if (t.anchor == figure::Text::Anchor::End) x -= QFontMetricsF(font).horizontalAdvance(text);
    p.drawText(QPointF(x, t.y), text);
}

}  // namespace

QImage renderFigure(const figure::TraceFigure& f, double scale)
{
    const double k = scale / kUnitsPerPixel;
    const figure::PixelSize size = figure::pngSize(f, scale);
    QImage image(size.width, size.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(colour(f.backColour));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, scale > 1.0);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(k, k);
    // The picture's own coordinates, the axis in the margins around it.
    p.translate(f.marginLeft, f.marginTop);
    QPen pen;
    pen.setWidthF(kUnitsPerPixel);
    pen.setCapStyle(Qt::SquareCap);
    for (const auto& l : f.axis) {
        pen.setColor(colour(l.colour));
        p.setPen(pen);
        p.drawLine(QLineF(l.x1, l.y1, l.x2, l.y2));
    }
    pen.setWidthF(kUnitsPerPixel * f.lineWidth);
    for (std::size_t i = 0; i < f.lines.size(); ++i) {
        const auto& l = f.lines[i];
        const bool dashed = i < f.dashed.size() && f.dashed[i];
        // Dashes of four pixels (in pen widths), as the window draws them.
        pen.setStyle(dashed ? Qt::CustomDashLine : Qt::SolidLine);
        pen.setCapStyle(dashed ? Qt::FlatCap : Qt::SquareCap);
        if (dashed) pen.setDashPattern({4 / f.lineWidth, 4 / f.lineWidth});
        pen.setColor(colour(l.colour));
        p.setPen(pen);
        p.drawLine(QLineF(l.x1, l.y1, l.x2, l.y2));
    }
    for (const auto& t : f.axisTexts) drawText(p, t);
    for (const auto& t : f.labels) drawText(p, t);
    return image;
}

QString exportTrace(const Wire& wire, const QString& file, double scale, std::optional<figure::Range> range)
{
    const figure::TraceFigure f =
        figure::drawnIn(range ? figure::traceFigure(wire, *range) : figure::traceFigure(wire), profile());
    if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return out.errorString();
        const std::string text = figure::svg(f);
        if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
            return out.errorString();
        return {};
    }
    const std::string problem = figure::pngProblem(f, scale);
    if (!problem.empty()) return QString::fromStdString(problem);
    if (!renderFigure(f, scale).save(file, "PNG")) return QStringLiteral("the picture could not be written");
    return {};
}

QString exportWidgetPng(QWidget& widget, const QString& file)
{
    if (!widget.grab().save(file, "PNG")) return QStringLiteral("the picture could not be written");
    return {};
}

bool exportTraceDialog(QWidget* parent, const Wire& wire, std::int64_t nowMs)
{
    QString selected;
    const QString file =
        QFileDialog::getSaveFileName(parent, QObject::tr("Export trace of %1").arg(QString::fromStdString(wire.name())),
                                     QString::fromStdString(wire.name()) + QStringLiteral(".svg"),
                                     QObject::tr("SVG picture (*.svg);;PNG image (*.png)"), &selected);
    if (file.isEmpty()) return false;
    const bool png = !file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);

    // Which part of the run, and for PNG the scale.
    const figure::ExportChoices choices = figure::exportChoices(wire, nowMs);
    const figure::Range run = choices.run;
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromStdString(choices.title));
    auto* form = new QVBoxLayout(&dialog);
    auto* visible = new QRadioButton(QString::fromStdString(choices.visibleText), &dialog);
    auto* whole = new QRadioButton(QString::fromStdString(choices.wholeText), &dialog);
    auto* ranged = new QRadioButton(QObject::tr("From"), &dialog);
    visible->setChecked(true);
    auto* from = new QDoubleSpinBox(&dialog);
    auto* to = new QDoubleSpinBox(&dialog);
    for (QDoubleSpinBox* box : {from, to}) {
        box->setDecimals(1);
        box->setRange(0, static_cast<double>(choices.latestMs) / 1000.0);
        box->setSuffix(QObject::tr(" s"));
        QObject::connect(box, &QDoubleSpinBox::valueChanged, ranged, [ranged] { ranged->setChecked(true); });
    }
    from->setValue(static_cast<double>(run.fromMs) / 1000.0);
    to->setValue(static_cast<double>(run.toMs) / 1000.0);
    visible->setChecked(true);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(ranged);
    rangeRow->addWidget(from);
    rangeRow->addWidget(new QLabel(QObject::tr("to"), &dialog));
    rangeRow->addWidget(to);
    rangeRow->addStretch();
    form->addWidget(visible);
    form->addWidget(whole);
    form->addLayout(rangeRow);
    auto* scale = new QDoubleSpinBox(&dialog);
    scale->setRange(figure::kMinScale, figure::kMaxScale);
    scale->setDecimals(1);
    scale->setValue(figure::kDefaultScale);
    scale->setVisible(png);  // only a PNG has a scale
    if (png) {
        auto* scaleRow = new QHBoxLayout;
        scaleRow->addWidget(new QLabel(QObject::tr("Scale (pixels per screen pixel):"), &dialog));
        scaleRow->addWidget(scale);
        form->addLayout(scaleRow);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;

    const figure::Part part = whole->isChecked()    ? figure::Part::Whole
                              : ranged->isChecked() ? figure::Part::Range
                                                    : figure::Part::Visible;
    std::string why;
    const auto chosen = figure::chooseRange(choices, part, from->value(), to->value(), why);
    if (!chosen) {
        QMessageBox::warning(parent, QObject::tr("Export trace"), QString::fromStdString(why));
        return false;
    }
    const QString error = exportTrace(wire, file, scale->value(), chosen->range);
    if (!error.isEmpty()) {
        QMessageBox::warning(parent, QObject::tr("Export trace"),
                             QObject::tr("Could not write %1: %2").arg(file, error));
        return false;
    }
    return true;
}

bool exportWidgetDialog(QWidget* parent, QWidget& widget)
{
    const QString file = QFileDialog::getSaveFileName(parent, QObject::tr("Export window as PNG"),
                                                      QStringLiteral("linkdemo.png"), QObject::tr("PNG image (*.png)"));
    if (file.isEmpty()) return false;
    const QString error = exportWidgetPng(widget, file);
    if (!error.isEmpty()) {
        QMessageBox::warning(parent, QObject::tr("Export window"),
                             QObject::tr("Could not write %1: %2").arg(file, error));
        return false;
    }
    return true;
}

}  // namespace gui

// SPDX-License-Identifier: MIT
#include "gui/traceexport.h"

#include <cmath>

#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "gui/profile.h"
#include "widgets/numbers.h"
#include "wire/wire.h"

namespace gui {

namespace {

constexpr double kUnitsPerPixel = 15;

QColor colour(std::int64_t c)
{
    return QColor(num::red(c), num::green(c), num::blue(c));
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
    QImage image(std::max(1, static_cast<int>(std::ceil(f.width * k))),
                 std::max(1, static_cast<int>(std::ceil(f.height * k))), QImage::Format_RGB32);
    image.fill(colour(f.backColour));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, scale > 1.0);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(k, k);
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

QString exportTrace(const Wire& wire, const QString& file, double scale)
{
    const figure::TraceFigure f = figure::drawnIn(figure::traceFigure(wire), profile());
    if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return out.errorString();
        const std::string text = figure::svg(f);
        if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
            return out.errorString();
        return {};
    }
    if (!(scale > 0) || scale > 16) return QStringLiteral("the scale must lie between 0 and 16");
    if (!renderFigure(f, scale).save(file, "PNG")) return QStringLiteral("the picture could not be written");
    return {};
}

QString exportWidgetPng(QWidget& widget, const QString& file)
{
    if (!widget.grab().save(file, "PNG")) return QStringLiteral("the picture could not be written");
    return {};
}

bool exportTraceDialog(QWidget* parent, const Wire& wire)
{
    QString selected;
    const QString file =
        QFileDialog::getSaveFileName(parent, QObject::tr("Export trace of %1").arg(QString::fromStdString(wire.name())),
                                     QString::fromStdString(wire.name()) + QStringLiteral(".svg"),
                                     QObject::tr("SVG picture (*.svg);;PNG image (*.png)"), &selected);
    if (file.isEmpty()) return false;
    double scale = 2.0;
    if (!file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        bool ok = false;
        scale = QInputDialog::getDouble(parent, QObject::tr("Export trace"),
                                        QObject::tr("Scale (pixels per screen pixel):"), 2.0, 0.5, 16.0, 1, &ok);
        if (!ok) return false;
    }
    const QString error = exportTrace(wire, file, scale);
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

// SPDX-License-Identifier: MIT
// The Lab window: the lab's measured figures beside the theory for the
// settings in force, a live plot of correct and wrong deliveries against
// simulated time with the theory line, the loss of each routed wire and the seed, and Copy
// as CSV. A non-modal top-level window beside the demonstration.
//
// It only shows what the model's lab computes and passes the user's loss and
// seed back to it; it never advances the model.
#pragma once

#include <QWidget>

#include "session/labreport.h"

class LinkDemo;
class QLabel;
class QDoubleSpinBox;
class QLineEdit;
class QLineSeries;
class QValueAxis;
class QChartView;
class QTimer;

namespace gui {

class LabWindow : public QWidget {
    Q_OBJECT
public:
    explicit LabWindow(LinkDemo& demo, QWidget* parent = nullptr);
    ~LabWindow() override;

    // The CSV header and the row of the run so far (the sweep's columns).
    QString csv() const;
    // Shows the window beside `demonstration` (to its right when it fits).
    void showBeside(const QWidget& demonstration);

public slots:
    // Reads the figures again and updates the table and the plot.
    void refresh();
    void copyCsv();

protected:
    // The plot's fonts follow the window's (which follows the zoom).
    void changeEvent(QEvent* event) override;

private:
    void lossEdited(int wire, double p);
    void seedEdited();
    void restartCounts();
    void dropsEdited(int wire);

    LinkDemo& m_demo;
    std::vector<QLabel*> m_measured;
    QLabel* m_theoryUtilisation = nullptr;
    QLabel* m_theoryGoodput = nullptr;
    QDoubleSpinBox* m_loss[2] = {nullptr, nullptr};
    QLineEdit* m_seed = nullptr;
    QLabel* m_changed = nullptr;  // "settings changed at …", with Restart counts
    QWidget* m_changedBox = nullptr;
    QLabel* m_inForce = nullptr;  // the formula with the numbers in force
    QLineEdit* m_drops[2] = {nullptr, nullptr};
    QLineSeries* m_delivered = nullptr;  // correct deliveries
    QLineSeries* m_wrong = nullptr;      // deliveries under a wrong number
    QLineSeries* m_theory = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    QChartView* m_chartView = nullptr;
    QTimer* m_timer = nullptr;
    labreport::DeliveryPlot m_plot;
};

}  // namespace gui

// SPDX-License-Identifier: MIT
// Window → Event log: every routed event of the run, as it happens, with its
// time, reporter, code, the operation it led to and the packet. The list
// follows the run, can be paused, filtered by component and code, cleared
// and saved as CSV; events no rule routes are greyed.
//
// The window listens to the model only while it is shown: hidden, it costs
// the run nothing.
#pragma once

#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWidget>

#include "session/eventlog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;

namespace gui {

class EventTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, From, Code, To, Number, Sequence, Kind, Columns };
    // Oldest events are dropped beyond this many.
    static constexpr int kMaxEvents = 100000;

    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const std::vector<eventlog::Event>& events);
    void clear();
    const eventlog::Event& event(int row) const { return m_events[static_cast<std::size_t>(row)]; }

private:
    std::vector<eventlog::Event> m_events;
};

class EventFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    // Empty: any. A component matches as the reporter or as the target.
    void setComponent(const QString& name);
    // -1: any.
    void setCode(int code);

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    std::string m_component;
    int m_code = -1;
};

class EventLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit EventLogWindow(LinkDemo& demo, QWidget* parent = nullptr);
    ~EventLogWindow() override;

    // Moves the events gathered since the last call into the list (the
    // window does it every 100 ms of real time while shown).
    void flush();
    bool paused() const;
    void setPaused(bool paused);
    void setComponentFilter(const QString& name);
    void setCodeFilter(int code);
    void clear();
    // The rows shown (after the filter) as CSV; empty string, or why not.
    QString saveCsv(const QString& file) const;

    const EventTableModel& events() const { return m_model; }
    const EventFilter& shown() const { return m_filter; }
    bool listening() const { return m_log.listening(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // The rows and columns follow the font (which follows the zoom).
    void changeEvent(QEvent* event) override;

private:
    void updateStatus();
    void fitToFont();

    eventlog::EventLog m_log;
    std::vector<eventlog::Event> m_pending;
    EventTableModel m_model;
    EventFilter m_filter;
    QTableView* m_view = nullptr;
    QCheckBox* m_pause;
    QComboBox* m_components;
    QComboBox* m_codes;
    QLabel* m_status;
    QTimer m_flush;
};

}  // namespace gui

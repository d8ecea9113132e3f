#pragma once
// The rows of the moments view: one moment of the library a row (a frag, a capture, a chat line, a
// multi-frag), with its demo, its time in the demo, who and what. The moments come in the index's
// order, by demo and time; a sort by a column keeps that order among equal cells.
#include <QAbstractTableModel>

#include <vector>

#include "core/index/Moments.h"

namespace gui {

// What a moment was, in words: "frag of Visor with Rocket Launcher", "capture of the blue flag",
// "says: gg", "3 frags in 4.2 s" ...
QString MomentWhatText(const core::Moment& moment);
// "m:ss" of a demo time in milliseconds (an hour is 60 minutes more).
QString MomentTimeText(int64_t demoTime);

class MomentsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DemoColumn, TimeColumn, WhoColumn, WhatColumn, MapColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows equal in the column stay by demo and time, whatever the sorts before.
    void sort(int column, Qt::SortOrder order) override;

    // The moments in the index's order (by demo, then time), shown in that order.
    void SetMoments(std::vector<core::Moment> moments);
    const core::Moment& MomentAt(int row) const { return m_moments[m_shown[static_cast<size_t>(row)]]; }
    QString Text(int row, int column) const;

private:
    std::vector<core::Moment> m_moments;
    std::vector<size_t> m_shown; // the moment of each row
};

} // namespace gui

#pragma once

// The event list as a Qt model: one row per listed event, in (time, creation) order. It holds
// only the event pointers of tonvela::EventList; a line's text is made when a view asks for it,
// so the view draws a list of millions of events as fast as a short one. The rows point into
// the song: the owner refills or clears the model whenever the song changes.

#include <QAbstractListModel>
#include <QSize>

#include "eventlist/event_list.h"

namespace tonvela {
class midiSong;
}

class EventListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // See tonvela::EventList::fill.
    void fill(const tonvela::midiSong& song, int firstTrack, int lastTrack, int firstBar, int lastBar);
    void clear();
    const tonvela::EventList& list() const { return list_; }
    tonvela::anyEvent* eventAt(int row) const;
    // The line as shown (decoded for display).
    QString lineAt(int row) const;

    // The size every line reports, so that a view with uniform item sizes never measures lines.
    void setItemSize(const QSize& size) { itemSize_ = size; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the line; ListItemRole: the event as quintptr; SizeHintRole: the item size.
    QVariant data(const QModelIndex& index, int role) const override;

private:
    tonvela::EventList list_;
    QSize itemSize_;
};

#pragma once

// Qt side of the list helpers the tool windows share. A list line holds its item (an event or
// a note of the song) under ListItemRole as a quintptr; the helpers compare items by identity
// only and never dereference one they remembered, so an item freed meanwhile is harmless.

#include <Qt>
#include <functional>
#include <vector>

#include "eventlist/list_helpers.h"

class QAbstractItemView;
class QComboBox;
class QListWidget;

inline constexpr int ListItemRole = Qt::UserRole + 1;

// The selected line of a list and the item it holds.
tonvela::ListSelection rememberListSelection(const QAbstractItemView* list);
// After the list was rebuilt: selects the line holding the remembered item, else the same line
// number, else the last line (see tonvela::restoredRow), and scrolls to it. `rowOf` finds an
// item's line faster than a walk over the model's lines (-1 when not listed).
void restoreListSelection(QAbstractItemView* list, const tonvela::ListSelection& before,
                          const std::function<int(const void* item)>& rowOf = {});

// Fills the list with the sounding notes of a track that lie in the selection's bars, one line
// each (tonvela::noteLine). In a single-selection list the note selected before is selected
// again; otherwise, or when it is no longer listed, the first line.
void fillNoteList(QListWidget* list, const tonvela::midiSong& song, int track, const tonvela::Selection& bars);

// Lists with several selected lines (a phrase of notes): the items of the selected lines, and
// after a rebuild the same items selected again, the first of them current. False, with nothing
// changed, when none of them is listed any more.
std::vector<const void*> rememberSelectedItems(const QListWidget* list);
bool restoreSelectedItems(QListWidget* list, const std::vector<const void*>& items);
// The rows of the selected lines, in ascending order.
std::vector<int> selectedRows(const QListWidget* list);

// Fills the box with the names of all tracks in track order (decoded for display); the current
// index is left to the caller.
void fillTrackNames(QComboBox* box, const tonvela::midiSong& song);

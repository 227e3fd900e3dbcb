#pragma once

// How the XG editor window and its dialogs change the song: every user change is one undo step
// with its own label, made through the core's XGEditor (which sends each value at once), and the
// views are refreshed after it. A slider drag is one step from press to release.

#include <QString>
#include <functional>

class QSlider;
class QSpinBox;

namespace tonvela {
class XGEditor;
}

class XGEditing {
public:
    virtual ~XGEditing() = default;
    // The song's XG operations; nullptr while no song is loaded.
    virtual tonvela::XGEditor* xg() = 0;
    // One change: a step labelled `label` (inside a drag, part of the drag's step).
    virtual void edit(const QString& label, const std::function<void(tonvela::XGEditor&)>& change) = 0;
    virtual void beginDrag(const QString& label) = 0;
    virtual void endDrag() = 0;
};

// Connects a track bar: each move outside a drag is a step; a drag is one step. `change` gets the
// new position; nothing changes while `loading` is set (controls being loaded from the song).
// `shown` (may be null) is told every position, moved by the user or loaded.
void bindSlider(QSlider* slider, XGEditing& editing, const bool& loading, const QString& label,
                std::function<void(tonvela::XGEditor&, int)> change, std::function<void(int)> shown = {});
// Connects an up-down: each new value is a step.
void bindSpin(QSpinBox* spin, XGEditing& editing, const bool& loading, const QString& label,
              std::function<void(tonvela::XGEditor&, int)> change, std::function<void(int)> shown = {});

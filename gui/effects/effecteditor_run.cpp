// The effect editor's commands: Apply, Undo, Load and Save Data, Preview and Stop.

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <exception>

#include "appfolders.h"
#include "base/errors.h"
#include "effects/effect_file.h"
#include "effects/effecteditor.h"
#include "host/editor_context.h"
#include "intinputwin.h"
#include "output/midi_device.h"
#include "prompts.h"
#include "song/song.h"
#include "song/song_copy.h"

using namespace tonvela;

namespace {

const QString kEffectFilter = QStringLiteral("Effect Element File (*.fxl)");

QString errorText(const std::exception& e) {
    if (const auto* m = dynamic_cast<const MidiError*>(&e)) return QString::fromStdString(m->message());
    return QString::fromStdString(e.what());
}

// The one place that knows how the device plays a part of a song; a change of the player's
// interface is fixed here. False when nothing was started (nothing to play, no open port).
bool playPart(MidiDevice& device, midiSong& song, const Selection& part) {
    return device.playSelectedPart(song, part, PlayOptions{});
}

// The status when the user cancelled the re-entry of a field: nothing ran.
QString cancelledText(const QString& field) { return "Cancelled: no number was entered for " + field + "."; }

}  // namespace

// ---- checks before a run ------------------------------------------------------------------------

bool TEffectEditor::normaliseFields() {
    QStringList asked;
    for (;;) {
        EffectSettings s = settings();
        const std::vector<BadField> bad = normaliseNumberFields(s);
        writeControls(s);  // the fields that read, in their written-back form
        if (bad.empty()) return true;
        const BadField& b = bad.front();
        const QString name = QString::fromStdString(b.control);
        auto* edit = qobject_cast<QLineEdit*>(controls_.value(name));
        // A field answered once and still refused would ask forever: say why instead.
        if (!edit || asked.contains(name)) {
            context().reportError(QString::fromStdString(b.message()));
            return false;
        }
        asked << name;
        QString text = edit->text();
        const QString caption = fieldCaption(edit);
        const bool answered = b.kind == FieldKind::integer ? askIntegerOrCancel(text, this, caption).has_value()
                                                           : askDecimalOrCancel(text, this, caption).has_value();
        if (!answered) {
            setStatus(cancelledText(caption));
            return false;
        }
        edit->setText(text);
    }
}

bool TEffectEditor::prepareRun(RunPlan& plan) {
    midiSong* song = context().song();
    if (!song || running_) return false;
    plan.selection = context().selection();
    if (plan.selection.empty()) return false;
    // The interval decides whether anything runs, whatever the type.
    if (!canApply(settings())) return false;

    int* targets[6] = {&plan.fields.fromBar, &plan.fields.fromBeat, &plan.fields.fromTick,
                       &plan.fields.toBar,   &plan.fields.toBeat,   &plan.fields.toTick};
    QLineEdit* edits[6] = {FromBar, FromBeat, FromTickEdit, ToBar, ToBeat, ToTickEdit};
    for (int i = 0; i < 6; ++i) {
        QString text = edits[i]->text();
        const std::optional<int> v = askIntegerOrCancel(text, this, fieldCaption(edits[i]));
        if (!v) {
            setStatus(cancelledText(fieldCaption(edits[i])));
            return false;
        }
        edits[i]->setText(text);
        *targets[i] = *v;
    }
    if (!normaliseFields()) return false;
    plan.settings = settings();

    std::string error;
    const std::optional<EffectScope> scope = EffectScope::of(*song, plan.selection, plan.fields, &error);
    if (!scope) {
        context().reportError(QString::fromStdString(error));
        return false;
    }
    plan.scope = *scope;
    return true;
}

// ---- running ----------------------------------------------------------------------------------

bool TEffectEditor::runEffect(midiSong& song, const RunPlan& plan, EffectResult& result) {
    running_ = true;
    updateActions();
    context().setBusy(true);
    EffectProgress progress;
    progress.interval = progressInterval;
    progress.report = [this](const EffectCounts& counts) {
        setStatus(QString::fromStdString(counts.statusText()));
        // The windows paint and timers run; the user's input waits until the run is over, and
        // the editor refuses other edits meanwhile (busy).
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
        if (onProgress) onProgress();
    };
    QString failure;
    try {
        result = applyEffect(song, plan.settings, plan.scope, progress);
    } catch (const std::exception& e) {
        failure = errorText(e);
    }
    context().setBusy(false);
    running_ = false;
    updateActions();
    if (!failure.isEmpty()) {
        context().reportError(failure);
        return false;
    }
    return true;
}

void TEffectEditor::ApplyExecute() {
    RunPlan plan;
    if (!prepareRun(plan)) return;
    midiSong* song = context().song();
    EffectResult result;
    const bool ran = runEffect(*song, plan, result);
    if (ran && result.applied) {
        const QString text = QString::fromStdString(result.statusText());
        setStatus(text);
        context().showStatus(text);
    }
    context().songEdited();
    if (ran && result.echoTrackCreated) refillTrackNames();
    // The echo track becomes the selection when asked, over the bars of the range.
    const EchoPage& echo = plan.settings.echo;
    if (ran && result.echoTrack >= 0 && echo.EchoOtherTrack && echo.SelectTarget) {
        const int lastBar = std::max(static_cast<int>(song->barStarts.size()) - 1, 0);
        const int from = std::clamp(plan.fields.fromBar - 1, 0, lastBar);
        const int to = std::clamp(plan.fields.toBar - 1, from, lastBar);
        context().setSelection({result.echoTrack, result.echoTrack, from, to});
    }
}

void TEffectEditor::UndoExecute() {
    updateActions();
    if (!ActionUndo->isEnabled()) return;
    context().undo(context().selection().firstTrack);
}

// ---- effect files -------------------------------------------------------------------------------

void TEffectEditor::LoadButtonClick() {
    if (running_) return;
    const QString start = lastEffectPath_.isEmpty() ? context().folders().effects : lastEffectPath_;
    const QString path = prompts().openFileName(this, start, kEffectFilter);
    if (path.isEmpty()) return;
    LoadedEffect loaded;
    try {
        loaded = loadEffect(path.toStdString(), settings());
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    // A newer file is read all the same, after the warning.
    for (const std::string& w : loaded.warnings) context().reportError(QString::fromStdString(w));
    showSettings(loaded.settings);
    lastEffectPath_ = path;
    setStatus("Effect loaded: " + path);
}

void TEffectEditor::SaveDataExecute() {
    if (EffectName->text().isEmpty() || running_) return;
    const QString path = prompts().saveFileName(this, context().folders().effects + EffectName->text(), kEffectFilter);
    if (path.isEmpty()) return;
    try {
        saveEffect(path.toStdString(), settings());
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    lastEffectPath_ = path;
    EffectName->setText(QFileInfo(path).completeBaseName());
    setStatus("Effect saved: " + path);
}

// ---- preview ------------------------------------------------------------------------------------

void TEffectEditor::PreviewClick() {
    MidiDevice* device = context().device();
    if (!device || context().playing() || running_) return;
    RunPlan plan;
    if (!prepareRun(plan)) return;
    releasePreview();
    std::unique_ptr<midiSong> copy;
    try {
        copy = copySong(*context().song());
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    EffectResult result;
    if (!runEffect(*copy, plan, result) || !result.applied) return;
    // The echo track joins the tracks played.
    Selection part = plan.selection;
    if (result.echoTrack >= 0) {
        part.firstTrack = std::min(part.firstTrack, result.echoTrack);
        part.lastTrack = std::max(part.lastTrack, result.echoTrack);
    }
    previewSong_ = std::move(copy);
    previewDevice_ = device;
    setStatus("Preview: " + QString::fromStdString(result.statusText()));
    if (!playPart(*device, *previewSong_, part)) releasePreview();
    updateActions();
}

void TEffectEditor::StopClick() {
    stopPreview();
    updateActions();
}

void TEffectEditor::stopPreview() {
    // Only the preview's own play is stopped here (the main window's Stop ends the others).
    if (previewSong_ && previewDevice_) previewDevice_->stop();
    releasePreview();
}

void TEffectEditor::releasePreview() {
    // The player plays its own list; the copy is kept while it plays so Stop knows the preview.
    if (previewing()) return;
    previewSong_.reset();
    previewDevice_ = nullptr;
}

bool TEffectEditor::previewing() const { return previewSong_ && previewDevice_ && previewDevice_->playing(); }

// ---- command states ------------------------------------------------------------------------

void TEffectEditor::updateActions() {
    midiSong* song = context().song();
    const bool playing = context().playing();
    if (previewSong_ && !previewing()) releasePreview();

    EffectSettings interval;
    interval.addEvent.Distance = Distance->text().toStdString();
    const bool applicable = song && !running_ && canApply(interval);
    ActionApply->setEnabled(applicable);

    const Selection sel = context().selection();
    midiTrack* current = song && sel.firstTrack >= 0 && sel.firstTrack < song->trackCount() ? song->track(sel.firstTrack) : nullptr;
    const bool canUndo = current && !playing && !running_ && current->undoCount() > 0;
    ActionUndo->setEnabled(canUndo);
    ActionUndo->setToolTip(canUndo ? "Undo <" + QString::fromStdString(current->undoLabel()) + ">" : QString("Undo"));

    SaveData->setEnabled(!EffectName->text().isEmpty() && !running_);
    LoadButton->setEnabled(!running_);

    MidiDevice* device = context().device();
    PreviewButton->setEnabled(applicable && device && device->isOpen() && !playing);
    PreviewButton->setToolTip(!device ? "No MIDI output: Preview needs an output device."
                              : !device->isOpen() ? "No MIDI output port is open (MIDI Device...)."
                                                  : "Plays the selected tracks and bars with the effect applied to a copy of the song.");
    StopButton->setEnabled(previewing());
}

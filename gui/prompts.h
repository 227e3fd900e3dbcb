#pragma once

// Every message box, file dialog, modal dialog and document launch of the editor goes through
// this seam, so tests answer them directly instead of waiting for a window.

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

class UiPrompts {
public:
    virtual ~UiPrompts() = default;

    // A message box with the program's caption; returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons);
    // The same with `details` behind the box's "Show Details" button: the text says what
    // happened in one sentence, the details say why (for instance every audio driver's error).
    virtual QMessageBox::StandardButton detailedMessage(QWidget* parent, QMessageBox::Icon icon,
                                                        const QString& text, const QString& details,
                                                        QMessageBox::StandardButtons buttons);
    // A question whose buttons say what they do: each standard button of `buttons` named in
    // `captions` shows that caption instead of its own ("Open what can be read"). Returns the
    // standard button pressed.
    virtual QMessageBox::StandardButton question(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 const QList<QPair<QMessageBox::StandardButton, QString>>& captions);
    // Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& folder, const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& folder, const QString& filter);
    // Runs a modal dialog; returns its result code.
    virtual int execDialog(QDialog* dialog);
    // Opens a document with the desktop's default handler; false when that failed.
    virtual bool openDocument(const QString& path);

    // The prompts in use; install(nullptr) restores the real ones.
    static UiPrompts& current();
    static void install(UiPrompts* prompts);
};

inline UiPrompts& prompts() { return UiPrompts::current(); }

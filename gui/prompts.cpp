#include "prompts.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QRegularExpression>
#include <QUrl>

namespace {

UiPrompts& defaultPrompts() {
    static UiPrompts real;
    return real;
}

UiPrompts* installed = nullptr;

}  // namespace

UiPrompts& UiPrompts::current() { return installed ? *installed : defaultPrompts(); }

void UiPrompts::install(UiPrompts* p) { installed = p; }

QMessageBox::StandardButton UiPrompts::message(QWidget* parent, QMessageBox::Icon icon,
                                               const QString& text,
                                               QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QStringLiteral("MIDI Tonvela"), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton UiPrompts::detailedMessage(QWidget* parent, QMessageBox::Icon icon,
                                                       const QString& text, const QString& details,
                                                       QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QStringLiteral("MIDI Tonvela"), text, buttons, parent);
    box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton UiPrompts::question(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                const QList<QPair<QMessageBox::StandardButton, QString>>& captions) {
    QMessageBox box(icon, QStringLiteral("MIDI Tonvela"), text, buttons, parent);
    for (const auto& [which, caption] : captions)
        if (QAbstractButton* b = box.button(which)) b->setText(caption);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString UiPrompts::openFileName(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

QString UiPrompts::saveFileName(QWidget* parent, const QString& folder, const QString& filter) {
    QFileDialog dialog(parent, QString(), folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without extension gets the filter's first one ("Effect (*.fxl)" -> fxl).
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    dialog.setDefaultSuffix(m.hasMatch() ? m.captured(1).toLower() : QStringLiteral("mid"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

int UiPrompts::execDialog(QDialog* dialog) { return dialog->exec(); }

bool UiPrompts::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

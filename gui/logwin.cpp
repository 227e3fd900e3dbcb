#include "logwin.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

TLogWindow::TLogWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("LogWindow");
    setWindowTitle("LogWindow");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    CloseButton = new QPushButton("Close", this);
    CloseButton->setObjectName("CloseButton");
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
    // Escape closes the window wherever its focus is, the text included.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::hide);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 4, 6, 6);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
    resize(640, 265);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TLogWindow::clear() { Memo1->clear(); }

void TLogWindow::addLine(const QString& line) { Memo1->appendPlainText(line); }

void TLogWindow::showWindow() {
    show();
    raise();
    activateWindow();
}

QString TLogWindow::text() const { return Memo1->toPlainText(); }

#include "logwin.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

TLogWindow::TLogWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("LogWindow");
    setWindowTitle("LogWindow");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
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

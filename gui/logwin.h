#pragma once

// A plain text pane that a command fills and shows (the song statistics).

#include <QWidget>

class QPlainTextEdit;

class TLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit TLogWindow(QWidget* parent = nullptr);

    void clear();
    void addLine(const QString& line);
    void showWindow();
    QString text() const;

    QPlainTextEdit* Memo1;
};

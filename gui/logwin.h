#pragma once

// A plain text pane that a command fills and shows (the song statistics).

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class TLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit TLogWindow(QWidget* parent = nullptr);

    void clear();
    void addLine(const QString& line);
    void showWindow();
    QString text() const;

    QPlainTextEdit* Memo1;
    // Hides the window; Escape does the same.
    QPushButton* CloseButton;
};

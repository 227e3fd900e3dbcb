#pragma once

// Asks again for a number whose text could not be read, in integer or decimal mode.

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TIntegerInput : public QDialog {
    Q_OBJECT
public:
    explicit TIntegerInput(QWidget* parent = nullptr);

    QPlainTextEdit* MsgArea;
    QLineEdit* InputInt;
    QPushButton* OKButton1;

    bool decimalMode = false;
    int intResult = 0;
    double decimalResult = 0.0;

    void OKButton1Click();
};

// The value of `text` as an integer; when it cannot be read, the re-entry dialog owned by
// `owner` asks for one. The text is rewritten in plain decimal form.
int askInteger(QString& text, QWidget* owner);
// The same for a decimal number; the text is rewritten with "%5.2f".
double askDecimal(QString& text, QWidget* owner);

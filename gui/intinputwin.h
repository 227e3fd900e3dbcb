#pragma once

// Asks again for a number whose text could not be read, in integer or decimal mode.

#include <QDialog>
#include <optional>

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
// As askInteger and askDecimal, for callers that must not go on when the user closed the
// dialog without an accepted entry: nullopt then, and the text stays as it was.
std::optional<int> askIntegerOrCancel(QString& text, QWidget* owner);
std::optional<double> askDecimalOrCancel(QString& text, QWidget* owner);

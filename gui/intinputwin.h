#pragma once

// Asks again for a number whose text could not be read, in integer or decimal mode.

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TIntegerInput : public QDialog {
    Q_OBJECT
public:
    explicit TIntegerInput(QWidget* parent = nullptr);

    // The field asked about and what it needs ("From Bar: enter an integer").
    QLabel* FieldLabel;
    QPlainTextEdit* MsgArea;
    QLineEdit* InputInt;
    QPushButton* OKButton1;
    // Closes the dialog without an entry, as its close box does.
    QPushButton* CancelButton1;

    // Names the field asked about; empty: no name.
    void setField(const QString& field);

    bool decimalMode = false;
    int intResult = 0;
    double decimalResult = 0.0;

    void OKButton1Click();
};

// The value of `text` as an integer; when it cannot be read, the re-entry dialog owned by
// `owner` asks for one, naming `field` when given. The text is rewritten in plain decimal form.
int askInteger(QString& text, QWidget* owner, const QString& field = {});
// The same for a decimal number; the text is rewritten with "%5.2f".
double askDecimal(QString& text, QWidget* owner, const QString& field = {});
// As askInteger and askDecimal, for callers that must not go on when the user cancelled or
// closed the dialog without an accepted entry: nullopt then, and the text stays as it was.
std::optional<int> askIntegerOrCancel(QString& text, QWidget* owner, const QString& field = {});
std::optional<double> askDecimalOrCancel(QString& text, QWidget* owner, const QString& field = {});

#include "intinputwin.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "prompts.h"
#include "settings/numbertext.h"

TIntegerInput::TIntegerInput(QWidget* parent) : QDialog(parent) {
    setObjectName("IntegerInput");
    setWindowTitle("IntegerInput");
    FieldLabel = new QLabel(this);
    FieldLabel->setObjectName("FieldLabel");
    FieldLabel->setWordWrap(true);
    MsgArea = new QPlainTextEdit(this);
    MsgArea->setObjectName("MsgArea");
    MsgArea->setReadOnly(true);
    MsgArea->setFixedHeight(MsgArea->fontMetrics().lineSpacing() * 2 + 12);
    InputInt = new QLineEdit(this);
    InputInt->setObjectName("InputInt");
    OKButton1 = new QPushButton("OK", this);
    OKButton1->setObjectName("OKButton1");
    OKButton1->setDefault(true);
    CancelButton1 = new QPushButton("Cancel", this);
    CancelButton1->setObjectName("CancelButton1");
    CancelButton1->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton1);
    buttons->addWidget(CancelButton1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FieldLabel);
    layout->addWidget(MsgArea);
    layout->addWidget(InputInt);
    layout->addLayout(buttons);
    connect(OKButton1, &QPushButton::clicked, this, &TIntegerInput::OKButton1Click);
    connect(CancelButton1, &QPushButton::clicked, this, &QDialog::reject);
    setField({});
    setFixedSize(300, sizeHint().height());
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TIntegerInput::setField(const QString& field) {
    const QString what = decimalMode ? "enter a number" : "enter an integer";
    FieldLabel->setText(field.isEmpty() ? what.left(1).toUpper() + what.mid(1) : field + ": " + what);
}

void TIntegerInput::OKButton1Click() {
    const std::string text = InputInt->text().toStdString();
    if (decimalMode) {
        if (auto v = tonvela::readDecimal(text)) {
            decimalResult = *v;
            accept();
            return;
        }
        prompts().message(this, QMessageBox::Warning,
                          QString::fromUtf8("Number Only\n数値を入力してください"), QMessageBox::Ok);
        return;
    }
    if (auto v = tonvela::readInteger(text)) {
        intResult = *v;
        accept();
        return;
    }
    intResult = -1;
    prompts().message(this, QMessageBox::Warning,
                      QString::fromUtf8("Integer Only\n整数を入力してください"), QMessageBox::Ok);
}

namespace {

// Runs a re-entry dialog for the rejected text; the caller reads the result fields. True when
// an entry was accepted.
template <typename Read>
bool reenter(const QString& rejected, QWidget* owner, const QString& field, bool decimal, Read read) {
    TIntegerInput dialog(owner);
    dialog.decimalMode = decimal;
    dialog.setField(field);
    dialog.MsgArea->setPlainText(rejected);
    dialog.InputInt->clear();
    dialog.InputInt->setFocus();
    const bool accepted = prompts().execDialog(&dialog) == QDialog::Accepted;
    read(dialog);
    return accepted;
}

}  // namespace

int askInteger(QString& text, QWidget* owner, const QString& field) {
    int value = 0;
    if (auto v = tonvela::readInteger(text.toStdString())) {
        value = *v;
    } else {
        reenter(text, owner, field, false, [&](const TIntegerInput& d) { value = d.intResult; });
    }
    text = QString::number(value);
    return value;
}

double askDecimal(QString& text, QWidget* owner, const QString& field) {
    double value = 0.0;
    if (auto v = tonvela::readDecimal(text.toStdString())) {
        value = *v;
    } else {
        reenter(text, owner, field, true, [&](const TIntegerInput& d) { value = d.decimalResult; });
    }
    text = QString::fromStdString(tonvela::formatDecimal(value));
    return value;
}

std::optional<int> askIntegerOrCancel(QString& text, QWidget* owner, const QString& field) {
    if (auto v = tonvela::readInteger(text.toStdString())) {
        text = QString::number(*v);
        return v;
    }
    int value = 0;
    if (!reenter(text, owner, field, false, [&](const TIntegerInput& d) { value = d.intResult; })) return std::nullopt;
    text = QString::number(value);
    return value;
}

std::optional<double> askDecimalOrCancel(QString& text, QWidget* owner, const QString& field) {
    if (auto v = tonvela::readDecimal(text.toStdString())) {
        text = QString::fromStdString(tonvela::formatDecimal(*v));
        return v;
    }
    double value = 0.0;
    if (!reenter(text, owner, field, true, [&](const TIntegerInput& d) { value = d.decimalResult; })) return std::nullopt;
    text = QString::fromStdString(tonvela::formatDecimal(value));
    return value;
}

#include "intinputwin.h"

#include <QGuiApplication>
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
    MsgArea = new QPlainTextEdit(this);
    MsgArea->setObjectName("MsgArea");
    MsgArea->setReadOnly(true);
    MsgArea->setFixedHeight(MsgArea->fontMetrics().lineSpacing() * 2 + 12);
    InputInt = new QLineEdit(this);
    InputInt->setObjectName("InputInt");
    OKButton1 = new QPushButton("OK", this);
    OKButton1->setObjectName("OKButton1");
    OKButton1->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MsgArea);
    layout->addWidget(InputInt);
    layout->addWidget(OKButton1, 0, Qt::AlignHCenter);
    connect(OKButton1, &QPushButton::clicked, this, &TIntegerInput::OKButton1Click);
    setFixedSize(260, sizeHint().height());
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
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
bool reenter(const QString& rejected, QWidget* owner, bool decimal, Read read) {
    TIntegerInput dialog(owner);
    dialog.decimalMode = decimal;
    dialog.MsgArea->setPlainText(rejected);
    dialog.InputInt->clear();
    dialog.InputInt->setFocus();
    const bool accepted = prompts().execDialog(&dialog) == QDialog::Accepted;
    read(dialog);
    return accepted;
}

}  // namespace

int askInteger(QString& text, QWidget* owner) {
    int value = 0;
    if (auto v = tonvela::readInteger(text.toStdString())) {
        value = *v;
    } else {
        reenter(text, owner, false, [&](const TIntegerInput& d) { value = d.intResult; });
    }
    text = QString::number(value);
    return value;
}

double askDecimal(QString& text, QWidget* owner) {
    double value = 0.0;
    if (auto v = tonvela::readDecimal(text.toStdString())) {
        value = *v;
    } else {
        reenter(text, owner, true, [&](const TIntegerInput& d) { value = d.decimalResult; });
    }
    text = QString::fromStdString(tonvela::formatDecimal(value));
    return value;
}

std::optional<int> askIntegerOrCancel(QString& text, QWidget* owner) {
    if (auto v = tonvela::readInteger(text.toStdString())) {
        text = QString::number(*v);
        return v;
    }
    int value = 0;
    if (!reenter(text, owner, false, [&](const TIntegerInput& d) { value = d.intResult; })) return std::nullopt;
    text = QString::number(value);
    return value;
}

std::optional<double> askDecimalOrCancel(QString& text, QWidget* owner) {
    if (auto v = tonvela::readDecimal(text.toStdString())) {
        text = QString::fromStdString(tonvela::formatDecimal(*v));
        return v;
    }
    double value = 0.0;
    if (!reenter(text, owner, true, [&](const TIntegerInput& d) { value = d.decimalResult; })) return std::nullopt;
    text = QString::fromStdString(tonvela::formatDecimal(value));
    return value;
}

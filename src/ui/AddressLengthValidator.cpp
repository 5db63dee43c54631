#include "AddressLengthValidator.h"

#include <QLineEdit>

AddressLengthValidator::AddressLengthValidator(QLineEdit *field, int maxLength)
    : QValidator(field)
    , m_maxLength(maxLength)
    , m_lastText(field->text())
{
    connect(field, &QLineEdit::textChanged, this, [this](const QString &text) { m_lastText = text; });
}

QValidator::State AddressLengthValidator::validate(QString &input, int &) const
{
    if (input.size() > m_maxLength && input.size() > m_lastText.size())
        return Invalid;
    return Acceptable;
}

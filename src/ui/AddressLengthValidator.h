#pragma once

#include <QValidator>

class QLineEdit;

// Keeps typing in an address field to a maximum length without cutting
// what was loaded: an edit that makes the text longer than the maximum and
// longer than it was is refused, any other edit goes through. Text set by
// the program (setText) is never validated, so a longer address read from
// the file stays whole and is saved back unchanged.
class AddressLengthValidator : public QValidator
{
    Q_OBJECT
public:
    AddressLengthValidator(QLineEdit *field, int maxLength);

    State validate(QString &input, int &pos) const override;

private:
    int m_maxLength;
    QString m_lastText; // the field's text before the edit being validated
};

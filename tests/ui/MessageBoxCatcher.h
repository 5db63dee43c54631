#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>

// Answers the next modal message box by OK and keeps its title and text,
// so that a test can go through a step that tells the user something.
class MessageBoxCatcher : public QObject
{
public:
    explicit MessageBoxCatcher(QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++m_count;
            m_title = box->windowTitle();
            m_text = box->text();
            m_parentWasVisible = box->parentWidget() && box->parentWidget()->isVisible();
            box->accept();
        });
        m_timer.start();
    }

    int count() const { return m_count; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    // The window the box belongs to was still open when the box came.
    bool parentWasVisible() const { return m_parentWasVisible; }

private:
    QTimer m_timer;
    int m_count = 0;
    QString m_title;
    QString m_text;
    bool m_parentWasVisible = false;
};

// Clicks the button captioned so in the message box that is open now (or
// soon); returns the box's text, empty when none came.
inline QString answerMessageBox(const QString &button)
{
    QMessageBox *box = nullptr;
    if (!QTest::qWaitFor([&box] { return (box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())); }))
        return QString();
    const QString text = box->text();
    for (QAbstractButton *b : box->buttons())
        if (b->text() == button)
            b->click();
    return text;
}

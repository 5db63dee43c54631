#include "InfoWindow.h"
#include "common/Version.h"

#include "WindowGeometry.h"

#include <QIcon>
#include <QKeyEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>

QStringList InfoWindow::infoLines()
{
    return {QStringLiteral("Version " ZELVO_VERSION " beta"),
            QString(),
            QStringLiteral("Weitere Info´s"),
            QStringLiteral("und die Seite zum"),
            QStringLiteral("download kommt später hier rein!"),
            QString(),
            QStringLiteral("Programm: das Zelvo-Team"),
            QStringLiteral("Mithilfe und Tests:"),
            QStringLiteral("die Zelvo-Nutzer")};
}

InfoWindow::InfoWindow(QWidget *parent)
    : QWidget(parent)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("Infoanz"), QStringLiteral("Info"), QStringLiteral(":/germany.svg"),
                                Qt::Window, QSize(kClientWidth, kClientHeight));

    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setGeometry(WindowGeometry::twips(120, 120, 2775, 1935));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setAcceptRichText(false);
    m_text->document()->setDocumentMargin(2);
    m_text->setPlainText(infoLines().join(QLatin1Char('\n')));
    QTextCursor all(m_text->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    // Shown, not for selecting or editing; greyed, but still easy to read.
    m_text->setEnabled(false);
    QPalette pal = m_text->palette();
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(96, 96, 96));
    m_text->setPalette(pal);

    WindowGeometry::centreOnScreen(this);
}

void InfoWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

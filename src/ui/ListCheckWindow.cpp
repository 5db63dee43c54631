#include "ListCheckWindow.h"

#include "check/CheckTextReport.h"
#include "check/FolderCheck.h"
#include "common/Clock.h"
#include "WindowGeometry.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QCoreApplication>
#include <QThread>
#include <QVBoxLayout>

ListCheckWindow::ListCheckWindow(const QDir &folder, const Clock *clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_folder(folder)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("Listenpruefung"));
    setWindowTitle(QStringLiteral("Listen prüfen"));
    setWindowIcon(QIcon(QStringLiteral(":/germany.svg")));
    resize(640, 420);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("Bericht"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_again = new QPushButton(QStringLiteral("Erneut prüfen"), this);
    m_again->setObjectName(QStringLiteral("Erneut"));
    connect(m_again, &QPushButton::clicked, this, &ListCheckWindow::check);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_again);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_report);
    layout->addLayout(buttons);

    check();
    WindowGeometry::centreOnScreen(this);
}

QString ListCheckWindow::report() const
{
    return m_report->toPlainText();
}

void ListCheckWindow::check()
{
    m_again->setEnabled(false);
    m_report->setPlainText(QStringLiteral("Die Listen in %1 werden geprüft …").arg(m_folder.absolutePath()));
    const QDir folder = m_folder;
    const QDateTime now = m_clock->now();
    QPointer<ListCheckWindow> self(this);
    QThread *worker = QThread::create([folder, now, self] {
        const QString text = CheckTextReport::of(FolderCheck::run(folder, now));
        QMetaObject::invokeMethod(qApp, [self, text] {
            if (!self)
                return;
            self->m_report->setPlainText(text);
            self->m_again->setEnabled(true);
            emit self->checked();
        });
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

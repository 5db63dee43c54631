#include "WindowGeometry.h"

#include "common/SettingsFile.h"

#include <QIcon>
#include <QPushButton>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace WindowGeometry {

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QSize twipsSize(int width, int height)
{
    return QSize(width / 15, height / 15);
}

QFont dialogFont()
{
    // Arial's metrics (Liberation Sans here): the captions were fitted to them.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

void setUpWindow(QWidget *window, const QString &name, const QString &title, const QString &icon,
                 Qt::WindowType kind, const QSize &clientSize)
{
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setWindowIcon(QIcon(icon));
    window->setWindowFlags(kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint);
    window->setFont(dialogFont());
    window->setFixedSize(clientSize);
}

void centreOnScreen(QWidget *window)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void fitOnScreen(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame is known only once the window is shown; until then a guess.
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size() : QSize(8, 32);
    const QSize room = (area.size() - frame).expandedTo(window->minimumSize());
    window->resize(window->size().boundedTo(room));
    const QSize outer = window->size() + frame;
    window->move(area.x() + std::max(0, (area.width() - outer.width()) / 2),
                 area.y() + std::max(0, (area.height() - outer.height()) / 2));
}

namespace {

QMessageBox *makeBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(icon, QStringLiteral("Zelvo"), text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

} // namespace

QMessageBox *openMessage(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                         const std::function<void()> &then)
{
    QMessageBox *box = makeBox(parent, icon, text, QMessageBox::Ok);
    if (then)
        QObject::connect(box, &QDialog::finished, parent, [then] { then(); });
    box->open();
    return box;
}

bool saved(QWidget *parent, const QString &fileName, const QString &error)
{
    if (error.isEmpty())
        return true;
    openMessage(parent, QMessageBox::Warning, SettingsFile::saveFailureText(fileName, error));
    return false;
}

QMessageBox *openQuestion(QWidget *parent, const QString &text, const QString &yes, const QString &no,
                          const std::function<void(bool)> &then)
{
    QMessageBox *box = makeBox(parent, QMessageBox::Question, text, QMessageBox::NoButton);
    QPushButton *yesButton = box->addButton(yes, QMessageBox::AcceptRole);
    QPushButton *noButton = box->addButton(no, QMessageBox::RejectRole);
    // Only a deliberate yes: Return, Escape and closing keep to no.
    box->setDefaultButton(noButton);
    box->setEscapeButton(noButton);
    QObject::connect(box, &QDialog::finished, parent,
                     [box, yesButton, then] { then(box->clickedButton() == yesButton); });
    box->open();
    return box;
}

} // namespace WindowGeometry

#include "CountdownWindow.h"

#include "WindowGeometry.h"
#include "boxes/BoxList.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using WindowGeometry::twips;

namespace {

QLineEdit *centredField(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setAlignment(Qt::AlignCenter);
    return field;
}

} // namespace

CountdownWindow::CountdownWindow(QWidget *parent)
    : QWidget(parent)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("countdown"), QStringLiteral("Countdown setzen"), QStringLiteral(":/hourglass.svg"),
                                Qt::Window, QSize(kClientWidth, kClientHeight));

    auto *when = new QGroupBox(QStringLiteral("Frame3"), this);
    when->setObjectName(QStringLiteral("Frame3"));
    when->setGeometry(twips(120, 120, 4095, 2175));
    auto *date = new QLabel(QStringLiteral("Datum"), when);
    date->setObjectName(QStringLiteral("Label1_0"));
    date->setGeometry(twips(960, 400, 615, 255));
    centredField(when, QStringLiteral("Text1_0"), QStringLiteral("01"), twips(1680, 360, 375, 285));
    centredField(when, QStringLiteral("Text1_1"), QStringLiteral("01"), twips(2160, 360, 375, 285));
    centredField(when, QStringLiteral("Text1_2"), QStringLiteral("2002"), twips(2640, 360, 615, 285));
    auto *time = new QLabel(QStringLiteral("Uhrzeit"), when);
    time->setObjectName(QStringLiteral("Label1_1"));
    time->setGeometry(twips(960, 760, 615, 255));
    centredField(when, QStringLiteral("Text2_0"), QStringLiteral("12"), twips(1680, 720, 375, 285));
    centredField(when, QStringLiteral("Text2_1"), QStringLiteral("12"), twips(2160, 720, 375, 285));

    auto *kind = new QGroupBox(QStringLiteral("Sendeart"), this);
    kind->setObjectName(QStringLiteral("Frame1"));
    kind->setGeometry(twips(120, 2400, 1335, 975));
    const char *kinds[2] = {"Popup", "Message"};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(kinds[i]), kind);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setGeometry(twips(120, 360 + 240 * i, 975, 255));
    }

    auto *boxes = new QGroupBox(QStringLiteral("senden an"), this);
    boxes->setObjectName(QStringLiteral("Frame2"));
    boxes->setGeometry(twips(1680, 2400, 2535, 975));
    const int lefts[BoxList::kBoxes] = {120, 120, 1320, 1320};
    const int tops[BoxList::kBoxes] = {360, 600, 360, 600};
    for (int k = 0; k < BoxList::kBoxes; ++k) {
        auto *box = new QCheckBox(QStringLiteral("%1. D-Box 2").arg(k + 1), boxes);
        box->setObjectName(QStringLiteral("Check1_%1").arg(k));
        box->setGeometry(twips(lefts[k], tops[k], 1095, 255));
    }

    auto *start = new QPushButton(QStringLiteral("Countdown starten && Schließen"), this);
    start->setObjectName(QStringLiteral("Command1"));
    start->setGeometry(twips(120, 3600, 4095, 375));

    WindowGeometry::centreOnScreen(this);
}

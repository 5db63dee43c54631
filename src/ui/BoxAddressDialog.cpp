#include "BoxAddressDialog.h"

#include "engine/Engine.h"
#include "boxes/BoxListFile.h"
#include "boxes/BoxListSource.h"
#include "AddressLengthValidator.h"
#include "sendtext/BoxAddressTest.h"
#include "WindowGeometry.h"
#include "WrappingCheckBox.h"

#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgWidget>

using WindowGeometry::twips;

BoxAddressDialog::BoxAddressDialog(Engine *engine, QWidget *parent)
    : QDialog(parent)
    , m_engine(engine)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("boxip"), QStringLiteral("IP der D-Boxen"), QStringLiteral(":/network.svg"),
                                Qt::Dialog, QSize(kClientWidth, kClientHeight));
    buildControls();
    load();
    WindowGeometry::centreOnScreen(this);
}

void BoxAddressDialog::buildControls()
{
    const QRect frames[BoxList::kBoxes] = {twips(120, 120, 2655, 1575), twips(120, 1800, 2655, 1575),
                             twips(3000, 120, 2655, 1575), twips(3000, 1800, 2655, 1575)};
    QWidget *previous = nullptr;
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        auto *frame = new QGroupBox(QStringLiteral("%1. D-Box 2").arg(i + 1), this);
        frame->setObjectName(QStringLiteral("Frame%1").arg(i + 1));
        frame->setGeometry(frames[i]);

        auto *picture = new QSvgWidget(QStringLiteral(":/settopbox-small.svg"), frame);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(i));
        picture->setGeometry(twips(120, 240, 2370, 390));

        auto *address = new QLineEdit(BoxList::kUnconfigured, frame);
        address->setObjectName(QStringLiteral("Text1_%1").arg(i));
        address->setGeometry(twips(120, 720, 1695, 285));
        // Only typing is limited: an address loaded longer stays whole.
        address->setValidator(new AddressLengthValidator(address, kMaxAddressLength));
        address->setAlignment(Qt::AlignCenter);
        address->installEventFilter(this);
        connect(address, &QLineEdit::textEdited, this, [address](const QString &text) {
            const QString kept = BoxListFile::storable(text);
            if (kept == text)
                return;
            const int cursor = BoxListFile::storable(text.left(address->cursorPosition())).size();
            address->setText(kept);
            address->setCursorPosition(cursor);
        });
        m_addresses[i] = address;

        auto *test = new QPushButton(QStringLiteral("Test"), frame);
        test->setObjectName(QStringLiteral("Command2_%1").arg(i));
        test->setGeometry(twips(1920, 720, 495, 255));
        test->setAutoDefault(true); // Return on the focused button presses it
        connect(test, &QPushButton::clicked, this, [this, i] { testBox(i + 1); });

        auto *report = new WrappingCheckBox(QStringLiteral("Dieser Box Status- änderungen melden"), frame);
        report->setObjectName(QStringLiteral("Check1_%1").arg(i));
        report->setGeometry(twips(360, 1080, 1815, 375));
        m_reports[i] = report;

        for (QWidget *w : {static_cast<QWidget *>(address), static_cast<QWidget *>(test),
                           static_cast<QWidget *>(report)}) {
            if (previous)
                setTabOrder(previous, w);
            previous = w;
        }
    }

    m_save = new QPushButton(QStringLiteral("Speichern && Schließen"), this);
    m_save->setObjectName(QStringLiteral("Command1"));
    m_save->setGeometry(twips(120, 3600, 5535, 375));
    m_save->setAutoDefault(true);
    m_save->setDefault(true); // Return elsewhere in the dialog saves
    connect(m_save, &QPushButton::clicked, this, &BoxAddressDialog::save);
    setTabOrder(previous, m_save);
    m_addresses[0]->setFocus();
}

void BoxAddressDialog::load()
{
    const BoxList boxes = m_engine->boxList()->boxes();
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        m_addresses[i]->setText(boxes.addresses[i]);
        m_reports[i]->setChecked(boxes.reportFlags[i] != 0);
    }
    m_loaded = boxList();
}

void BoxAddressDialog::reject()
{
    if (m_discarding || boxList() == m_loaded) {
        QDialog::reject();
        return;
    }
    WindowGeometry::openQuestion(this, kDiscardQuestion, QStringLiteral("Schließen"), QStringLiteral("Zurück"),
                                 [this](bool discard) {
                                     if (discard)
                                         closeWithoutAsking();
                                 });
}

void BoxAddressDialog::closeWithoutAsking()
{
    m_discarding = true;
    close();
}

bool BoxAddressDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field && event->type() == QEvent::FocusIn) {
        // After the click that brought the focus has placed the cursor.
        QMetaObject::invokeMethod(field, &QLineEdit::selectAll, Qt::QueuedConnection);
    } else if (field && event->type() == QEvent::FocusOut) {
        if (field->text().isEmpty())
            field->setText(BoxList::kUnconfigured);
    }
    return QDialog::eventFilter(watched, event);
}

BoxList BoxAddressDialog::boxList() const
{
    BoxList boxes;
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        // An empty field means no box there, which the file writes as the placeholder.
        const QString text = BoxListFile::storable(m_addresses[i]->text());
        boxes.addresses[i] = text.isEmpty() ? BoxList::kUnconfigured : text;
        boxes.reportFlags[i] = m_reports[i]->isChecked() ? 1 : 0;
    }
    return boxes;
}

void BoxAddressDialog::testBox(int box)
{
    BoxAddressTest::run(m_engine->sender(), box, m_addresses[box - 1]->text());
}

void BoxAddressDialog::save()
{
    m_saveError = m_engine->boxList()->write(boxList());
    if (WindowGeometry::saved(this, BoxListFile::kFileName, m_saveError))
        accept();
}

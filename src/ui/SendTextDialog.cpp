#include "SendTextDialog.h"

#include "engine/Engine.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/StatusBoard.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <algorithm>

using WindowGeometry::twips;

SendTextDialog::SendTextDialog(Engine *engine, QWidget *parent)
    : QDialog(parent)
    , m_engine(engine)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("Textsend"), QStringLiteral("Text sofort senden"), QStringLiteral(":/sendtext.svg"),
                                Qt::Dialog, QSize(kClientWidth, kClientHeight));
    buildControls();
    load();
    WindowGeometry::centreOnScreen(this);
}

void SendTextDialog::buildControls()
{
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setGeometry(twips(120, 120, 4095, 2565));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setTabChangesFocus(true);

    m_send = new QPushButton(QStringLiteral("Text senden && Schließen"), this);
    m_send->setObjectName(QStringLiteral("Command1"));
    m_send->setGeometry(twips(120, 4080, 4095, 375));
    // Return on the focused button, or anywhere but the text, sends.
    m_send->setAutoDefault(true);
    m_send->setDefault(true);
    connect(m_send, &QPushButton::clicked, this, &SendTextDialog::send);

    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("Grund"));
    m_reason->setGeometry(8, kClientHeight - 2, kClientWidth - 16, kReasonHeight);
    m_reason->setWordWrap(true);
    m_reason->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_reason->setStyleSheet(QStringLiteral("color: rgb(176,0,0);"));
    m_reason->hide();

    m_waiting = new QLabel(this);
    m_waiting->setObjectName(QStringLiteral("Wartet"));
    m_waiting->setWordWrap(true);
    m_waiting->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_waiting->hide();

    auto *kindFrame = new QGroupBox(QStringLiteral("Sendeart"), this);
    kindFrame->setObjectName(QStringLiteral("Frame1"));
    kindFrame->setGeometry(twips(120, 2880, 1335, 975));
    m_message = new QRadioButton(QStringLiteral("Message"), kindFrame);
    m_message->setObjectName(QStringLiteral("Option1_1"));
    m_message->setGeometry(twips(120, 600, 975, 255));
    m_popup = new QRadioButton(QStringLiteral("Popup"), kindFrame);
    m_popup->setObjectName(QStringLiteral("Option1_0"));
    m_popup->setGeometry(twips(120, 360, 975, 255));

    auto *boxFrame = new QGroupBox(QStringLiteral("senden an"), this);
    boxFrame->setObjectName(QStringLiteral("Frame2"));
    boxFrame->setGeometry(twips(1680, 2880, 2535, 975));
    const int lefts[BoxList::kBoxes] = {120, 120, 1320, 1320};
    const int tops[BoxList::kBoxes] = {360, 600, 360, 600};
    for (int k = 0; k < BoxList::kBoxes; ++k) {
        m_boxes[k] = new QCheckBox(QStringLiteral("%1. D-Box 2").arg(k + 1), boxFrame);
        m_boxes[k]->setObjectName(QStringLiteral("Check1_%1").arg(k));
        m_boxes[k]->setGeometry(twips(lefts[k], tops[k], 1095, 255));
    }

    m_confirm = new QCheckBox(QStringLiteral("Bestätigung abwarten"), this);
    m_confirm->setObjectName(QStringLiteral("Bestaetigung"));
    m_confirm->setGeometry(twips(120, 3860, 4095, 220)); // between the frames and the button
    m_confirm->setToolTip(QStringLiteral("Bleibt stehen, bis jemand es schließt; ein Enigma2-Receiver fragt Ja/Nein, "
                                         "und der Verlauf sagt, wann es gesehen wurde"));

    setTabOrder(m_text, m_send);
    setTabOrder(m_send, m_message);
    setTabOrder(m_message, m_popup);
    setTabOrder(m_popup, m_boxes[0]);
    for (int k = 0; k < 3; ++k)
        setTabOrder(m_boxes[k], m_boxes[k + 1]);
    setTabOrder(m_boxes[3], m_confirm);
    m_text->setFocus();
}

void SendTextDialog::load()
{
    const SendTextSettings loaded = SendTextSettings::read(m_engine->folder()).settings;
    (loaded.kind == MessageKind::Popup ? m_popup : m_message)->setChecked(true);
    const BoxList boxes = m_engine->boxList()->boxes();
    for (int k = 0; k < BoxList::kBoxes; ++k) {
        m_boxes[k]->setChecked(loaded.ticked[k]);
        // A box without an address stays ticked as loaded, but greyed.
        m_boxes[k]->setEnabled(boxes.namesAddress(k + 1));
    }
    showWaiting();
    // After the tick that changed a lamp has told the sender too.
    connect(m_engine->display(), &StatusBoard::lampChanged, this, &SendTextDialog::showWaiting, Qt::QueuedConnection);
}

// One line per box that has an address and is in standby or off, as the
// sender knows it (a box the watch could not probe is asked before the text
// goes: nothing to say yet).
void SendTextDialog::showWaiting()
{
    const BoxList boxes = m_engine->boxList()->boxes();
    const BoxSender *sender = m_engine->sender();
    const int minutes = sender->holdMinutesFor(MessageSource::TypedText);
    QStringList lines;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        const QString waiting = SendTextStep::waitingText(sender->boxState(box), minutes);
        if (boxes.namesAddress(box) && !waiting.isEmpty())
            lines << QStringLiteral("%1. D-Box 2 ").arg(box) + waiting;
    }
    m_waiting->setText(lines.join(QLatin1Char('\n')));
    m_waiting->setVisible(!lines.isEmpty());
    fitHeight();
}

// The lines under the button make the dialog taller by what they need.
void SendTextDialog::fitHeight()
{
    const int width = kClientWidth - 16;
    int bottom = kClientHeight - 2;
    for (QLabel *label : {m_waiting, m_reason}) {
        if (label->isHidden())
            continue;
        const int height = std::max(label == m_reason ? kReasonHeight : 0, label->heightForWidth(width));
        label->setGeometry(8, bottom, width, height);
        bottom += height;
    }
    setFixedSize(kClientWidth, std::max(int(kClientHeight), bottom + 2));
}

SendTextSettings SendTextDialog::settings() const
{
    SendTextSettings s;
    s.kind = m_popup->isChecked() ? MessageKind::Popup : MessageKind::Message;
    s.confirm = m_confirm->isChecked();
    for (int k = 0; k < BoxList::kBoxes; ++k)
        s.ticked[k] = m_boxes[k]->isChecked();
    return s;
}

void SendTextDialog::send()
{
    if (m_text->toPlainText().isEmpty())
        m_text->setPlainText(SendTextStep::kEmptyText);
    // The user decides first; the text goes only with "Gekürzt senden".
    if (SendTextStep::willBeShortened(m_text->toPlainText(), settings().kind))
        WindowGeometry::openQuestion(this, SendTextStep::kShortenedNotice, QStringLiteral("Gekürzt senden"),
                                     QStringLiteral("Zurück"), [this](bool shorten) {
                                         if (shorten)
                                             sendNow();
                                         else
                                             m_text->setFocus();
                                     });
    else
        sendNow();
}

void SendTextDialog::sendNow()
{
    m_outcome = SendTextStep::run(m_engine->folder(), m_engine->sender(), m_text->toPlainText(), settings());
    // Nothing went: the dialog stays with the text, and says why.
    const bool stay = !m_outcome.notSent.isEmpty();
    if (stay) {
        m_reason->setText(m_outcome.notSent);
        m_reason->show();
        fitHeight();
    }
    const auto done = [this, stay] {
        if (!stay)
            accept();
    };
    // Told before the dialog closes: a failed save, then which boxes hold the text.
    const auto tellHeld = [this, done] {
        if (m_outcome.heldSummary.isEmpty())
            done();
        else
            WindowGeometry::openMessage(this, QMessageBox::Information, m_outcome.heldSummary, done);
    };
    if (!m_outcome.saveError.isEmpty())
        WindowGeometry::openMessage(this, QMessageBox::Warning, m_outcome.saveError, tellHeld);
    else
        tellHeld();
}

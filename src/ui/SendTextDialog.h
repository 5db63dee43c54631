#pragma once

#include "boxes/BoxList.h"
#include "sendtext/SendTextSettings.h"
#include "sendtext/SendTextStep.h"

#include <QDialog>

#include <array>

class Engine;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "Text sofort senden": a free text, the kind and the boxes to send it to.
// Opening loads the last choices from wendrel.ini and greys the boxes that
// have no address; a line under the button says which boxes are in standby
// or off and that the text waits for them. The button hands everything to
// SendTextStep and closes, after saying which boxes got the text and which
// hold it when one holds it; when no box got it, it stays open with the
// text and says why.
class SendTextDialog : public QDialog
{
    Q_OBJECT
public:
    // Client area in pixels (4335 x 4560 twips).
    static constexpr int kClientWidth = 289;
    static constexpr int kClientHeight = 304;
    // Below the button, for why nothing was sent.
    static constexpr int kReasonHeight = 30;

    explicit SendTextDialog(Engine *engine, QWidget *parent = nullptr);

    // The choices as the controls show them now.
    SendTextSettings settings() const;
    // The outcome of the last send, for whoever wants to look.
    const SendTextStep::Outcome &lastOutcome() const { return m_outcome; }

public slots:
    void send(); // Command1

private:
    void buildControls();
    void load();
    void sendNow();
    void showWaiting();
    void fitHeight();

    Engine *m_engine;
    QPlainTextEdit *m_text = nullptr;      // Text1
    QPushButton *m_send = nullptr;         // Command1
    QLabel *m_reason = nullptr;            // Grund: why nothing was sent
    QLabel *m_waiting = nullptr;           // Wartet: the boxes in standby or off
    QRadioButton *m_popup = nullptr;       // Option1(0)
    QRadioButton *m_message = nullptr;     // Option1(1)
    QCheckBox *m_confirm = nullptr;        // "Bestätigung abwarten", not kept in wendrel.ini
    std::array<QCheckBox *, BoxList::kBoxes> m_boxes{};  // Check1(0..3)
    SendTextStep::Outcome m_outcome;
};

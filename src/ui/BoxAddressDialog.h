#pragma once

#include "boxes/BoxList.h"

#include <QDialog>

#include <array>

class Engine;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "IP der D-Boxen": the four box addresses and report options of
// boxip.ini, and a test message per box. It opens with the cursor in box 1's
// field. Saving writes the file and closes; the close box writes nothing,
// and asks first when something was changed.
class BoxAddressDialog : public QDialog
{
    Q_OBJECT
public:
    // Client area in pixels (5775 x 4095 twips).
    static constexpr int kClientWidth = 385;
    static constexpr int kClientHeight = 273;
    static constexpr int kMaxAddressLength = 50;

    explicit BoxAddressDialog(Engine *engine, QWidget *parent = nullptr);

    // The addresses and options as the controls show them now.
    BoxList boxList() const;
    // The reason of the last failed save, empty after a good one.
    QString lastSaveError() const { return m_saveError; }
    // Closes it, changes or not (the program ends).
    void closeWithoutAsking();

    static inline const QString kDiscardQuestion =
        QStringLiteral("Die geänderten Adressen sind nicht gespeichert. Ohne Speichern schließen?");

public slots:
    void testBox(int box); // Command2(box - 1)
    void save();           // Command1

    void reject() override; // the close box and Escape

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void load();

    Engine *m_engine;
    std::array<QLineEdit *, BoxList::kBoxes> m_addresses{}; // Text1(0..3)
    std::array<QCheckBox *, BoxList::kBoxes> m_reports{};   // Check1(0..3)
    QPushButton *m_save = nullptr;            // Command1
    QString m_saveError;
    BoxList m_loaded;         // as the dialog opened
    bool m_discarding = false; // the question was answered: close
};

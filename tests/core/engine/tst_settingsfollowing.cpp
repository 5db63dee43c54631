// zelvo.ini and boxip.ini are followed, not read at every message: messages
// through the engine read neither file, and a password written while Zelvo
// runs goes with the next message.
#include "BoxServers.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"

#include "boxes/BoxSender.h"
#include "boxes/SendHandle.h"
#include "engine/Engine.h"

#include <QtTest>

namespace {

// The login of the last request box got, as "user:password".
QByteArray lastLogin(RecordingHttpServer &box)
{
    const QByteArray head = box.requests().isEmpty() ? QByteArray() : box.requests().last().head;
    const int at = head.indexOf("\r\nAuthorization: Basic ");
    return at < 0 ? QByteArray() : QByteArray::fromBase64(head.mid(at + 23).split('\r').first());
}

// Written an hour ago, so that one reading of it is kept.
void writeSettled(const TempFolder &folder, const QString &name, const QByteArray &bytes)
{
    folder.write(name, bytes);
    QFile file(folder.path(name));
    QVERIFY(file.open(QIODevice::ReadWrite)
            && file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

} // namespace

class TestSettingsFollowing : public QObject
{
    Q_OBJECT
private slots:
    void messagesReadNoFile();
};

void TestSettingsFollowing::messagesReadNoFile()
{
    TempFolder folder;
    writeSettled(folder, "boxip.ini", BoxServers::boxipIni());
    writeSettled(folder, "zelvo.ini", "[Box1]\nBenutzer=anna\nPasswort=alt\n");
    BoxServers boxes;
    QVERIFY(boxes.listen());
    boxes.box(1).setEnigma2(true);
    ScriptedEchoProber prober;
    Engine::Options options;
    options.folder = folder.dir();
    options.httpPort = boxes.port();
    options.prober = &prober;
    Engine engine(options);
    const auto sent = [&](const char *text) {
        const qsizetype before = boxes.box(1).messages().size();
        SendHandle *handle = engine.sender()->send(1, Message{MessageKind::Message, QString::fromUtf8(text)},
                                                   MessageOrigin{MessageSource::TypedText, 1});
        QSignalSpy finished(handle, &SendHandle::finished);
        return finished.wait(5000) && boxes.box(1).messages().size() == before + 1;
    };
    QVERIFY(sent("a"));
    const int settingsReads = engine.settings()->readCount(), listReads = engine.boxList()->readCount();
    for (int i = 0; i < 10; ++i)
        QVERIFY(sent("b"));
    QCOMPARE(engine.settings()->readCount(), settingsReads);
    QCOMPARE(engine.boxList()->readCount(), listReads);
    QCOMPARE(lastLogin(boxes.box(1)), QByteArray("anna:alt"));

    folder.write("zelvo.ini", "[Box1]\nBenutzer=anna\nPasswort=neu\n");
    QVERIFY(sent("c"));
    QCOMPARE(lastLogin(boxes.box(1)), QByteArray("anna:neu"));
    QCOMPARE(engine.settings()->readCount(), settingsReads + 1);
}

QTEST_GUILESS_MAIN(TestSettingsFollowing)
#include "tst_settingsfollowing.moc"

#include "app/SendCommand.h"

#include "app/InstanceClient.h"
#include "app/InstanceLock.h"
#include "boxes/BoxList.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/BoxStateText.h"
#include "common/Logging.h"
#include "sendtext/DirectSend.h"
#include "sendtext/ScriptDelivery.h"
#include "sendtext/SendTextStep.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

constexpr int kSent = SendCommand::kSent;
constexpr int kNotReached = SendCommand::kNotReached;
constexpr int kWrongCall = SendCommand::kWrongCall;

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// The box list "1,3": numbers 1..BoxList::kBoxes, each once, in the order given.
std::optional<QList<int>> boxList(const QString &text)
{
    QList<int> boxes;
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int box = part.trimmed().toInt(&ok);
        if (!ok || box < 1 || box > BoxList::kBoxes)
            return std::nullopt;
        if (!boxes.contains(box))
            boxes << box;
    }
    return boxes;
}

QString boxWhy()
{
    return QStringLiteral("--box braucht Boxnummern von 1 bis %1, durch Kommas getrennt").arg(BoxList::kBoxes);
}

QString folderWhy()
{
    return QStringLiteral("--folder braucht einen vorhandenen Ordner");
}

// The parser's complaint in the words of the usage: an option whose value
// is missing (it came last), or the argument as typed that names an unknown
// option or gives a value to a switch.
QString parserError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    const QString last = arguments.isEmpty() ? QString() : arguments.last();
    if (unknown.isEmpty() && last == QStringLiteral("--box"))
        return boxWhy();
    if (unknown.isEmpty() && last == QStringLiteral("--folder"))
        return folderWhy();
    if (unknown.isEmpty() && last == QStringLiteral("--expire"))
        return QStringLiteral("--expire braucht eine Zahl von Minuten");
    for (const QString &arg : arguments) {
        if (arg == QStringLiteral("--"))
            break;
        const bool isLong = arg.startsWith(QStringLiteral("--"));
        const QString name = isLong ? arg.mid(2).section(QLatin1Char('='), 0, 0) : arg.mid(1);
        bool meant = false;
        if (!unknown.isEmpty()) // "-abc" is read as the short options a, b and c
            meant = isLong ? name == unknown.first() : arg.startsWith(QLatin1Char('-')) && name.contains(unknown.first());
        else
            meant = isLong && arg.contains(QLatin1Char('=')) && name != QStringLiteral("box")
                && name != QStringLiteral("folder") && name != QStringLiteral("expire");
        if (meant)
            return QStringLiteral("unbekannte Angabe %1").arg(arg);
    }
    return QStringLiteral("unbekannte Angabe (%1)").arg(parser.errorText());
}

// Names every box known not to be reached; the status for the outcomes.
// A running Zelvo that was not asked to wait answers at once, so then only
// what is known at once counts (a box not set up, an address refused).
int report(const QList<ScriptDelivery::BoxOutcome> &outcomes, bool waited)
{
    if (outcomes.isEmpty()) {
        say(QStringLiteral("zelvo send: keine Box eingerichtet (boxip.ini nennt keine Adresse) - nichts gesendet."));
        return kNotReached;
    }
    bool allReached = true;
    bool anyHeld = false;
    for (const auto &o : outcomes) {
        if (o.held()) {
            say(QStringLiteral("zelvo send: %1: zurückgehalten (%2) - das laufende Zelvo sendet die "
                               "Nachricht, sobald die Box sie zeigen kann.")
                    .arg(BoxStateText::boxName(o.box, QString(), o.address.trimmed()), o.error));
            anyHeld = true;
        } else if ((waited || o.known()) && !o.reached()) {
            say(QStringLiteral("zelvo send: ") + o.failureText());
            allReached = false;
        }
    }
    if (!allReached)
        return kNotReached;
    return anyHeld && waited ? SendCommand::kHeld : kSent;
}

// How long to wait for the running Zelvo's answer: the time-out of every
// request plus a margin. Tests shorten it to stop a Zelvo across it.
int answerTimeoutMs()
{
    bool ok = false;
    const int fromTest = qEnvironmentVariableIntValue("ZELVO_TEST_SEND_ANSWER_MS", &ok);
    return ok && fromTest > 0 ? fromTest : BoxSender::kDefaultTimeoutMs + 15000;
}

} // namespace

QString SendCommand::usage(const QString &program)
{
    return QStringLiteral(
        "Aufruf: %2 send [--box 1,3] [--popup | --message] [--confirm] [--wait]\n"
        "        %3      [--expire MINUTEN] [--folder ORDNER] TEXT\n"
        "Zeigt TEXT auf den Fernsehern an den D-Boxen und Enigma2-Receivern, über das Zelvo,\n"
        "das im Ordner läuft, sonst direkt.\n"
        "  TEXT        der Text; \"-\" liest ihn von der Standardeingabe; \\n wird ein Zeilenumbruch\n"
        "  --box 1,3   nur an diese Boxen (1 bis %1); ohne: an jede eingerichtete Box\n"
        "  --popup     als Popup zeigen\n"
        "  --message   als Nachricht zeigen (so ohne Angabe)\n"
        "  --confirm   bis bestätigt: bleibt stehen, bis jemand es schließt; ein Enigma2-Receiver\n"
        "              fragt Ja/Nein, und der Verlauf sagt, wann es gesehen wurde\n"
        "  --wait      auf die Antwort jeder Box warten (nicht auf die Bestätigung)\n"
        "  --expire MINUTEN  so lange wartet die Nachricht beim laufenden Zelvo auf eine Box im\n"
        "              Standby oder eine ausgeschaltete Box (ohne: 30 oder was zelvo.ini sagt;\n"
        "              0: nur jetzt, nie zurückhalten)\n"
        "  --folder ORDNER  der Ordner mit boxip.ini (ohne: der aktuelle Ordner)\n"
        "Rückgabewert: 0 gesendet (mit --wait: jede Box hat geantwortet), 1 mindestens eine\n"
        "Box nicht erreicht oder keine Box eingerichtet, 2 falscher Aufruf oder boxip.ini\n"
        "nicht lesbar, 3 (mit --wait) für mindestens eine Box zurückgehalten: das laufende\n"
        "Zelvo sendet sie, sobald die Box eingeschaltet ist. Ohne laufendes Zelvo wird nie zurückgehalten: eine Box im Standby\n"
        "bekommt nichts, das ist 1.\n")
        .arg(BoxList::kBoxes)
        .arg(program, QString(program.size(), QLatin1Char(' ')));
}

QString SendCommand::screenText(const QString &given)
{
    QString text = given;
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return TypedText::convert(text).text;
}

SendCommand::Parsed SendCommand::parse(const QStringList &arguments,
                                       const std::function<QByteArray()> &standardInput)
{
    Parsed parsed;
    auto wrong = [&parsed](const QString &why) {
        parsed.status = kWrongCall;
        parsed.why = why;
        return parsed;
    };
    QCommandLineParser parser;
    const QCommandLineOption box(QStringLiteral("box"), QString(), QStringLiteral("boxen"));
    const QCommandLineOption popup(QStringLiteral("popup"));
    const QCommandLineOption message(QStringLiteral("message"));
    const QCommandLineOption wait(QStringLiteral("wait"));
    const QCommandLineOption confirm(QStringLiteral("confirm"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("ordner"));
    const QCommandLineOption expire(QStringLiteral("expire"), QString(), QStringLiteral("minuten"));
    const QCommandLineOption help(QStringLiteral("help"));
    parser.addOptions({box, popup, message, confirm, wait, folder, expire, help});
    if (!parser.parse(QStringList{QStringLiteral("send")} + arguments))
        return wrong(parserError(parser, arguments));

    Call &call = parsed.call;
    // Each value given counts, the last one wins.
    for (const QString &value : parser.values(box)) {
        const auto boxes = boxList(value);
        if (!boxes)
            return wrong(boxWhy());
        call.boxes = *boxes;
    }
    for (const QString &value : parser.values(folder)) {
        if (value.isEmpty() || !QDir(value).exists())
            return wrong(folderWhy());
        call.folder = QDir(value);
    }
    for (const QString &value : parser.values(expire)) {
        bool ok = false;
        const int minutes = value.toInt(&ok);
        if (!ok || minutes < 0 || minutes > kMaxExpireMinutes)
            return wrong(QStringLiteral("--expire braucht eine ganze Zahl von Minuten von 0 bis %1")
                             .arg(kMaxExpireMinutes));
        call.expireMinutes = minutes;
    }
    if (parser.isSet(popup) && parser.isSet(message))
        return wrong(QStringLiteral("--popup und --message schließen einander aus"));
    call.kind = parser.isSet(popup) ? MessageKind::Popup : MessageKind::Message;
    call.wait = parser.isSet(wait);
    call.confirm = parser.isSet(confirm);
    call.help = parser.isSet(help);
    const QStringList texts = parser.positionalArguments();
    if (texts.size() > 1)
        return wrong(QStringLiteral("nur ein TEXT (in Anführungszeichen, wenn er Leerzeichen enthält)"));
    if (call.help) {
        parsed.status = kSent;
        return parsed;
    }
    if (texts.isEmpty())
        return wrong(QStringLiteral("kein TEXT angegeben"));

    QString text = texts.first();
    if (text == QStringLiteral("-")) {
        text = QString::fromUtf8(standardInput());
        if (text.endsWith(QLatin1Char('\n'))) // the line end that echo and files add
            text.chop(1);
    }
    call.text = screenText(text);
    if (!ScriptDelivery::hasText(call.text))
        return wrong(QStringLiteral("der Text ist leer"));
    return parsed;
}

int SendCommand::run(int argc, char *argv[], const QString &program)
{
    useZelvoLogPattern();
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));
    const Parsed parsed = parse(app.arguments().mid(2), [] {
        QFile in;
        in.open(stdin, QIODevice::ReadOnly);
        return in.readAll();
    });
    if (parsed.status == kWrongCall) {
        say(QStringLiteral("%1 send: ").arg(program) + parsed.why + QLatin1Char('\n') + usage(program));
        return kWrongCall;
    }
    if (parsed.call.help) {
        std::fputs(usage(program).toLocal8Bit().constData(), stdout);
        return kSent;
    }
    return send(parsed.call);
}

int SendCommand::send(const Call &call)
{
    BoxListSource boxList(call.folder);
    const BoxListFile::ReadResult read = boxList.read();
    if (!read.error.isEmpty()) {
        say(QStringLiteral("zelvo send: boxip.ini kann nicht gelesen werden: ") + read.error);
        return kWrongCall;
    }
    const Message message{call.kind, ScriptDelivery::cutForRequest(call.text), call.confirm};

    InstanceRequest request;
    request.action = InstanceRequest::Action::Send;
    request.boxes = call.boxes;
    request.message = message;
    request.wait = call.wait;
    request.expireMinutes = call.expireMinutes;
    const InstanceLock lock(call.folder);
    const int timeoutMs = answerTimeoutMs();
    const InstanceClient::Reply reply = InstanceClient::deliver(lock.socketName(), request, timeoutMs);
    switch (reply.state) {
    case InstanceClient::Reply::State::Answered:
        if (!reply.answer.ok) {
            say(QStringLiteral("zelvo send: ") + reply.answer.error);
            return kWrongCall;
        }
        if (call.confirm && call.wait)
            say(QStringLiteral("zelvo send: ob die Nachricht gesehen wurde, steht im Verlauf"));
        return report(reply.answer.outcomes, call.wait);
    case InstanceClient::Reply::State::Unknown:
        // The request may still sit in the socket of a stopped or busy Zelvo:
        // sending it here as well could show it twice.
        say(QStringLiteral("zelvo send: die Nachricht ist dem laufenden Zelvo übergeben, es hat aber %1 - "
                           "ob sie gesendet wird, ist unbekannt; zelvo send sendet sie nicht noch einmal.")
                .arg(reply.timedOut ? QStringLiteral("in %1 s nicht geantwortet").arg((timeoutMs + 999) / 1000)
                                    : QStringLiteral("die Verbindung ohne Antwort beendet")));
        return kNotReached;
    case InstanceClient::Reply::State::NoZelvo:
        break;
    }

    // No Zelvo here: this process sends, and stays until every request ended.
    if (call.confirm)
        say(QStringLiteral("zelvo send: ohne laufendes Zelvo fragt niemand nach, ob die Nachricht gesehen wurde"));
    return report(DirectSend::deliver(boxList, read.boxes, call.boxes, message), true);
}

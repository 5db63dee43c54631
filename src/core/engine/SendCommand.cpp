#include "engine/SendCommand.h"

#include "boxes/BoxList.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/Logging.h"
#include "engine/InstanceClient.h"
#include "engine/InstanceLock.h"
#include "sendtext/ScriptDelivery.h"
#include "sendtext/SendTextStep.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

constexpr int kSent = 0;
constexpr int kNotReached = 1;
constexpr int kWrongCall = 2;

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// The box list "1,3": numbers 1..4, each once, in the order given.
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
    for (const auto &o : outcomes) {
        const bool known = waited || !o.error.isEmpty() || o.httpStatus > 0;
        if (known && !o.reached()) {
            say(QStringLiteral("zelvo send: ") + o.failureText());
            allReached = false;
        }
    }
    return allReached ? kSent : kNotReached;
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

QString SendCommand::usage()
{
    return QStringLiteral(
        "Aufruf: zelvo send [--box 1,3] [--popup | --message] [--wait] [--folder ORDNER] TEXT\n"
        "Zeigt TEXT auf den Bildschirmen der D-Boxen, über das Zelvo, das im Ordner läuft,\n"
        "sonst direkt.\n"
        "  TEXT        der Text; \"-\" liest ihn von der Standardeingabe; \\n wird ein Zeilenumbruch\n"
        "  --box 1,3   nur an diese Boxen (1 bis 4); ohne: an jede eingerichtete Box\n"
        "  --popup     als Popup zeigen\n"
        "  --message   als Nachricht zeigen (so ohne Angabe)\n"
        "  --wait      auf die Antwort jeder Box warten\n"
        "  --folder    der Ordner mit boxip.ini (ohne: der aktuelle Ordner)\n"
        "Rückgabewert: 0 gesendet (mit --wait: jede Box hat geantwortet), 1 mindestens eine\n"
        "Box nicht erreicht, 2 falscher Aufruf oder boxip.ini nicht lesbar.\n");
}

QString SendCommand::screenText(const QString &given)
{
    QString text = given;
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return TypedText::convert(text).text;
}

std::optional<SendCommand::Call> SendCommand::parse(const QStringList &arguments, QString *why)
{
    Call call;
    bool kindGiven = false;
    bool textGiven = false;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments.at(i);
        QString value;
        const bool isOption = !optionsEnded && arg.startsWith(QStringLiteral("--"));
        if (isOption && arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
            arg = arg.section(QLatin1Char('='), 0, 0);
        }
        auto needValue = [&]() -> bool {
            if (!value.isEmpty() || arguments.at(i).contains(QLatin1Char('=')))
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (isOption && arg == QStringLiteral("--help")) {
            call.help = true;
        } else if (isOption && arg == QStringLiteral("--box")) {
            const auto boxes = needValue() ? boxList(value) : std::nullopt;
            if (!boxes) {
                *why = QStringLiteral("--box braucht Boxnummern von 1 bis 4, durch Kommas getrennt");
                return std::nullopt;
            }
            call.boxes = *boxes;
        } else if (isOption && (arg == QStringLiteral("--popup") || arg == QStringLiteral("--message"))) {
            const MessageKind kind = arg == QStringLiteral("--popup") ? MessageKind::Popup : MessageKind::Message;
            if (kindGiven && kind != call.kind) {
                *why = QStringLiteral("--popup und --message schließen einander aus");
                return std::nullopt;
            }
            kindGiven = true;
            call.kind = kind;
        } else if (isOption && arg == QStringLiteral("--wait")) {
            call.wait = true;
        } else if (isOption && arg == QStringLiteral("--folder")) {
            if (!needValue() || value.isEmpty() || !QDir(value).exists()) {
                *why = QStringLiteral("--folder braucht einen vorhandenen Ordner");
                return std::nullopt;
            }
            call.folder = QDir(value);
        } else if (isOption || (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg != QStringLiteral("-"))) {
            *why = QStringLiteral("unbekannte Angabe %1").arg(arguments.at(i));
            return std::nullopt;
        } else if (textGiven) {
            *why = QStringLiteral("nur ein TEXT (in Anführungszeichen, wenn er Leerzeichen enthält)");
            return std::nullopt;
        } else {
            call.text = arg;
            textGiven = true;
        }
    }
    if (!textGiven && !call.help) {
        *why = QStringLiteral("kein TEXT angegeben");
        return std::nullopt;
    }
    return call;
}

int SendCommand::run(int argc, char *argv[])
{
    useZelvoLogPattern();
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));
    QString why;
    auto call = parse(app.arguments().mid(2), &why);
    if (!call) {
        say(QStringLiteral("zelvo send: ") + why + QLatin1Char('\n') + usage());
        return kWrongCall;
    }
    if (call->help) {
        std::fputs(usage().toLocal8Bit().constData(), stdout);
        return kSent;
    }
    if (call->text == QStringLiteral("-")) {
        QFile in;
        in.open(stdin, QIODevice::ReadOnly);
        QString text = QString::fromUtf8(in.readAll());
        if (text.endsWith(QLatin1Char('\n'))) // the line end that echo and files add
            text.chop(1);
        call->text = text;
    }
    call->text = screenText(call->text);
    if (!ScriptDelivery::hasText(call->text)) {
        say(QStringLiteral("zelvo send: der Text ist leer\n") + usage());
        return kWrongCall;
    }
    return send(*call);
}

int SendCommand::send(const Call &call)
{
    BoxListSource boxList(call.folder);
    const BoxListFile::ReadResult read = boxList.read();
    if (!read.error.isEmpty()) {
        say(QStringLiteral("zelvo send: boxip.ini kann nicht gelesen werden: ") + read.error);
        return kWrongCall;
    }
    const Message message{call.kind, ScriptDelivery::cutForRequest(call.text)};

    InstanceRequest request;
    request.action = InstanceRequest::Action::Send;
    request.boxes = call.boxes;
    request.message = message;
    request.wait = call.wait;
    const InstanceLock lock(call.folder);
    const int timeoutMs = answerTimeoutMs();
    const InstanceClient::Reply reply = InstanceClient::deliver(lock.socketName(), request, timeoutMs);
    switch (reply.state) {
    case InstanceClient::Reply::State::Answered:
        if (!reply.answer.ok) {
            say(QStringLiteral("zelvo send: ") + reply.answer.error);
            return kWrongCall;
        }
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
    BoxSender sender(&boxList, BoxSender::Options());
    ScriptDelivery delivery(&sender);
    QObject::connect(&delivery, &ScriptDelivery::finished, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    delivery.setAskVersionFirst(true);
    delivery.start(read.boxes, call.boxes, message);
    if (!delivery.isFinished())
        QCoreApplication::exec();
    return report(delivery.outcomes(), true);
}

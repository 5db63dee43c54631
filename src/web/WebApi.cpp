#include "web/WebApi.h"

#include "web/WebAccess.h"
#include "boxes/BoxSender.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "boxes/StoredWords.h"
#include "check/UpcomingReminders.h"
#include "common/Logging.h"
#include "common/StatusBoard.h"
#include "engine/Engine.h"
#include "listedit/ReminderListDocument.h"
#include "listedit/ReminderListEdit.h"
#include "sendtext/ScriptDelivery.h"
#include "sendtext/SendTextStep.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QUrlQuery>

#include <memory>

namespace {

const QString kLoginFirst = QStringLiteral("Bitte zuerst mit dem Passwort anmelden.");
const QString kWrongPassword = QStringLiteral("Das Passwort stimmt nicht.");

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString kindWord(MessageKind kind)
{
    return kind == MessageKind::Popup ? QStringLiteral("popup") : QStringLiteral("message");
}

QString stateWord(BoxState state)
{
    switch (state) {
    case BoxState::On:
        return QStringLiteral("on");
    case BoxState::Standby:
        return QStringLiteral("standby");
    case BoxState::Off:
        return QStringLiteral("off");
    case BoxState::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString outcomeWord(DeliveryOutcome outcome, int httpStatus, SendFailure why)
{
    if (SendResult::delivered(outcome, httpStatus))
        return QStringLiteral("delivered");
    switch (outcome) {
    case DeliveryOutcome::Waiting:
        return QStringLiteral("waiting");
    case DeliveryOutcome::Held:
        return QStringLiteral("held");
    case DeliveryOutcome::Expired:
        return QStringLiteral("expired");
    case DeliveryOutcome::Dropped:
        if (why == SendFailure::Discarded)
            return QStringLiteral("discarded");
        break;
    default:
        break;
    }
    return QStringLiteral("failed");
}

// One box's line in the answer of a send.
QJsonObject boxResult(int box, const SendResult &result)
{
    return QJsonObject{{QStringLiteral("box"), box},
                       {QStringLiteral("outcome"), outcomeWord(result.outcome, result.httpStatus, result.why)},
                       {QStringLiteral("detail"), SendResultText::outcome(result, box)}};
}

// The same for a box of a script's delivery, whose words were made already.
QJsonObject boxResult(const ScriptDelivery::BoxOutcome &b)
{
    return QJsonObject{{QStringLiteral("box"), b.box},
                       {QStringLiteral("outcome"), outcomeWord(b.outcome, b.httpStatus, b.why)},
                       {QStringLiteral("detail"), SendResultText::outcome(b.outcome, b.httpStatus, b.error)}};
}

std::optional<ReminderListKind> listNamed(const QByteArray &name)
{
    if (name == "daily")
        return ReminderListKind::Daily;
    if (name == "weekly")
        return ReminderListKind::Weekly;
    if (name == "dated")
        return ReminderListKind::Dated;
    return std::nullopt;
}

// An answer about a list: the version on disk and why nothing was done.
WebAnswer listAnswer(int status, const QString &version, const QString &reason = QString())
{
    return WebAnswer::json(status, compact({{QStringLiteral("version"), version},
                                            {QStringLiteral("reason"), reason.isEmpty() ? QJsonValue() : QJsonValue(reason)}}));
}

int statusOf(ReminderListEdit::Result result)
{
    switch (result) {
    case ReminderListEdit::Result::Saved:
        return 200;
    case ReminderListEdit::Result::Stale:
        return 409;
    case ReminderListEdit::Result::CannotFire:
        return 422;
    case ReminderListEdit::Result::Refused:
        return 400;
    case ReminderListEdit::Result::NoSuchLine:
        return 404;
    case ReminderListEdit::Result::Failed:
        break;
    }
    return 500;
}

// The time with its offset from UTC: "2026-12-07T07:25:00+01:00".
QString timeWithOffset(const QDateTime &t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

// The boxes of a send: numbers 1..kBoxes, or none for every configured box.
bool readBoxes(const QJsonValue &value, QList<int> *boxes)
{
    if (value.isUndefined())
        return true;
    if (!value.isArray())
        return false;
    for (const QJsonValue &v : value.toArray()) {
        const double n = v.toDouble(-1);
        if (!v.isDouble() || n != int(n) || n < 1 || n > BoxList::kBoxes)
            return false;
        if (!boxes->contains(int(n)))
            boxes->append(int(n));
    }
    return !boxes->isEmpty();
}

} // namespace

WebApi::WebApi(Engine *engine, WebAccess *access, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_access(access)
{
}

void WebApi::answer(const WebRequest &request, std::function<void(WebAnswer)> done)
{
    const QByteArray &method = request.method;
    const QByteArray &path = request.path;
    if (!path.startsWith("/api/")) {
        if (method != "GET" && method != "HEAD")
            return done(WebAnswer::error(405, QStringLiteral("Diese Seite kann nur gelesen werden.")));
        return done(pageFile(path));
    }
    if (method == "POST" || method == "PUT" || method == "DELETE") {
        const QByteArray origin = request.header("origin");
        const QByteArray own = (request.https ? "https://" : "http://") + request.header("host");
        if (!origin.isEmpty() && origin != own)
            return done(WebAnswer::error(403, QStringLiteral("Diese Anfrage kommt nicht von Zelvos Seite.")));
        if (!request.header("content-type").startsWith("application/json"))
            return done(WebAnswer::error(415, QStringLiteral("Die Anfrage muss JSON sein (Content-Type: application/json).")));
    }
    if (path == "/api/login" && method == "POST")
        return login(request, std::move(done));
    if (path == "/api/logout" && method == "POST")
        return done(logout(request));

    const QPointer<WebApi> self(this);
    const bool fromPage = !request.header("x-zelvo-seite").isEmpty();
    m_access->check(request, [self, request, fromPage, done](WebAccess::Verdict verdict) {
        if (!self)
            return done(WebAnswer::error(503, QStringLiteral("Zelvo wird beendet.")));
        if (verdict == WebAccess::Verdict::TooMany)
            return done(WebAnswer::error(429, QStringLiteral("Zu viele falsche Passwörter. Bitte in einer Minute noch "
                                                             "einmal versuchen.")));
        if (verdict == WebAccess::Verdict::Busy)
            return done(WebAnswer::error(503, QStringLiteral("Gerade prüft Zelvo andere Anmeldungen. Bitte gleich noch "
                                                             "einmal versuchen.")));
        if (verdict != WebAccess::Verdict::Allowed) {
            WebAnswer a = WebAnswer::error(401, verdict == WebAccess::Verdict::WrongPassword ? kWrongPassword : kLoginFirst);
            // The page asks for its own form; a script's client may ask for Basic.
            if (!fromPage)
                a.headers << qMakePair(QByteArrayLiteral("WWW-Authenticate"),
                                       QByteArrayLiteral("Basic realm=\"Zelvo\", charset=\"UTF-8\""));
            return done(a);
        }
        const QByteArray &method = request.method;
        const QByteArray &path = request.path;
        if (path == "/api/status" && method == "GET")
            return done(self->status());
        if (path == "/api/record" && method == "GET")
            return done(self->record(request));
        if (path == "/api/held" && method == "GET")
            return done(self->held());
        if (path == "/api/upcoming" && method == "GET")
            return done(self->upcoming(request));
        if (path.startsWith("/api/held/") && method == "DELETE")
            return done(self->discard(path.mid(10)));
        if (path == "/api/send" && method == "POST")
            return self->send(request, done);
        if (path == "/api/preview" && method == "POST")
            return done(preview(request));
        if (path.startsWith("/api/lists/"))
            return self->lists(request, done);
        done(WebAnswer::error(404, QStringLiteral("Diese Adresse kennt Zelvo nicht.")));
    });
}

void WebApi::login(const WebRequest &request, std::function<void(WebAnswer)> done)
{
    const QJsonValue password = QJsonDocument::fromJson(request.body).object().value(QStringLiteral("password"));
    if (!password.isString())
        return done(WebAnswer::error(400, QStringLiteral("Bitte das Passwort eingeben.")));
    const QPointer<WebApi> self(this);
    const bool https = request.https;
    m_access->checkPassword(request.peer, password.toString().toUtf8(), [self, https, done](WebAccess::Verdict v) {
        if (!self)
            return done(WebAnswer::error(503, QStringLiteral("Zelvo wird beendet.")));
        if (v == WebAccess::Verdict::TooMany)
            return done(WebAnswer::error(429, QStringLiteral("Zu viele falsche Passwörter. Bitte in einer Minute noch "
                                                             "einmal versuchen.")));
        if (v == WebAccess::Verdict::Busy)
            return done(WebAnswer::error(503, QStringLiteral("Gerade prüft Zelvo andere Anmeldungen. Bitte gleich noch "
                                                             "einmal versuchen.")));
        if (v != WebAccess::Verdict::Allowed)
            return done(WebAnswer::error(401, kWrongPassword));
        const QByteArray token = self->m_access->sessions().open();
        WebAnswer a = WebAnswer::json(200, compact({{QStringLiteral("ok"), true}}));
        a.headers << qMakePair(QByteArrayLiteral("Set-Cookie"),
                               WebAccess::kCookie + '=' + token + "; HttpOnly; SameSite=Strict; Path=/; Max-Age="
                                   + QByteArray::number(SessionStore::kDays * 24 * 3600) + (https ? "; Secure" : ""));
        done(a);
    });
}

WebAnswer WebApi::logout(const WebRequest &request)
{
    m_access->sessions().close(request.cookie(WebAccess::kCookie));
    WebAnswer a = WebAnswer::json(200, compact({{QStringLiteral("ok"), true}}));
    a.headers << qMakePair(QByteArrayLiteral("Set-Cookie"),
                           WebAccess::kCookie + "=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0");
    return a;
}

WebAnswer WebApi::status() const
{
    const BoxList list = m_engine->boxList()->boxes();
    BoxSender *sender = m_engine->sender();
    QJsonArray boxes;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!list.namesAddress(box))
            continue;
        const BoxState state = m_engine->display()->lamp(box);
        const QString kind = sender->kindOf(box);
        // Today's kind is known once the box answered and was not found to be another.
        const QString kindName = kind == QStringLiteral("Enigma2") ? QStringLiteral("enigma2")
                                 : state == BoxState::On || state == BoxState::Standby ? QStringLiteral("nhttpd")
                                                                                        : QStringLiteral("unknown");
        boxes.append(QJsonObject{{QStringLiteral("box"), box},
                                 {QStringLiteral("address"), list.address(box).trimmed()},
                                 {QStringLiteral("kind"), kindName},
                                 {QStringLiteral("state"), stateWord(state)},
                                 {QStringLiteral("held"), int(sender->heldFor(box).size())}});
    }
    return WebAnswer::json(200, compact({{QStringLiteral("boxes"), boxes}}));
}

WebAnswer WebApi::record(const WebRequest &request) const
{
    const DeliveryRecord *record = m_engine->deliveryRecord();
    const QString limitText = QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(QStringLiteral("limit"));
    bool ok = true;
    int limit = limitText.isEmpty() ? kDefaultRecordEntries : limitText.toInt(&ok);
    if (!ok || limit < 1)
        return WebAnswer::error(400, QStringLiteral("„limit“ ist eine Zahl ab 1."));
    limit = qMin(limit, record->capacity());
    QJsonArray entries;
    const std::deque<Delivery> &all = record->entries();
    for (auto it = all.rbegin(); it != all.rend() && entries.size() < limit; ++it) {
        const Delivery &d = *it;
        QJsonObject entry{{QStringLiteral("id"), qint64(d.id)},
                                   {QStringLiteral("time"), timeWithOffset(d.time)},
                                   {QStringLiteral("box"), d.origin.box},
                                   {QStringLiteral("to"), d.boxText()},
                                   {QStringLiteral("source"), d.sourceText()},
                                   {QStringLiteral("kind"), kindWord(d.kind)},
                                   {QStringLiteral("text"), d.text},
                                   {QStringLiteral("firstLine"), d.firstLine},
                                   {QStringLiteral("outcome"), outcomeWord(d.outcome, d.httpStatus, d.why)},
                                   {QStringLiteral("detail"), d.outcomeText()}};
        if (d.confirmation != Confirmation::None)
            entry.insert(QStringLiteral("confirmation"), StoredWords::wordOf(d.confirmation, StoredWords::kConfirmations));
        if (d.confirmedAt.isValid())
            entry.insert(QStringLiteral("confirmedAt"), timeWithOffset(d.confirmedAt));
        entries.append(entry);
    }
    return WebAnswer::json(200, compact({{QStringLiteral("entries"), entries}}));
}

WebAnswer WebApi::held() const
{
    QJsonArray list;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        for (const HeldMessage &m : m_engine->sender()->heldFor(box)) {
            Delivery d;
            d.origin = m.origin;
            list.append(QJsonObject{{QStringLiteral("id"), qint64(m.id)},
                                    {QStringLiteral("box"), m.box},
                                    {QStringLiteral("kind"), kindWord(m.message.kind)},
                                    {QStringLiteral("text"), m.message.text},
                                    {QStringLiteral("source"), d.sourceText()},
                                    {QStringLiteral("since"), timeWithOffset(m.madeAt)},
                                    {QStringLiteral("until"), timeWithOffset(m.expiresAt)},
                                    {QStringLiteral("reason"), m.reason == HoldReason::BoxInStandby
                                                                   ? QStringLiteral("standby")
                                                                   : QStringLiteral("off")}});
        }
    }
    return WebAnswer::json(200, compact({{QStringLiteral("held"), list}}));
}

WebAnswer WebApi::upcoming(const WebRequest &request) const
{
    const QString daysText = QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(QStringLiteral("days"));
    bool ok = true;
    const int days = daysText.isEmpty() ? kMaxUpcomingDays : daysText.toInt(&ok);
    if (!ok || days < 1 || days > kMaxUpcomingDays)
        return WebAnswer::error(400, QStringLiteral("„days“ ist eine Zahl von 1 bis %1.").arg(kMaxUpcomingDays));
    QJsonArray list;
    for (const UpcomingReminder &r :
         UpcomingReminders::next(m_engine->folder(), m_engine->clock()->now(), days, m_engine->calendars()))
        list.append(QJsonObject{{QStringLiteral("time"), timeWithOffset(r.time)},
                                {QStringLiteral("box"), r.box},
                                {QStringLiteral("kind"), kindWord(r.kind)},
                                {QStringLiteral("text"), r.text},
                                {QStringLiteral("source"), r.source}});
    return WebAnswer::json(200, compact({{QStringLiteral("reminders"), list}}));
}

WebAnswer WebApi::discard(const QByteArray &id)
{
    bool ok = false;
    const quint64 n = id.toULongLong(&ok);
    if (!ok || !m_engine->sender()->discardHeld(n))
        return WebAnswer::error(404, QStringLiteral("Diese Nachricht wartet nicht mehr."));
    return WebAnswer::json(200, compact({{QStringLiteral("discarded"), qint64(n)}}));
}

// The page's length count while a text is typed: the dialog's rule and words
// (SendTextStep), asked of the core rather than copied into the page.
WebAnswer WebApi::preview(const WebRequest &request)
{
    const QJsonObject o = QJsonDocument::fromJson(request.body).object();
    const QJsonValue text = o.value(QStringLiteral("text"));
    if (!text.isString())
        return WebAnswer::error(400, QStringLiteral("„text“ muss ein Text in Anführungszeichen sein."));
    const bool popup = o.value(QStringLiteral("kind")) == QJsonValue(QStringLiteral("popup"));
    const SendTextStep::LengthNote note =
        SendTextStep::lengthNote(text.toString(), popup ? MessageKind::Popup : MessageKind::Message);
    return WebAnswer::json(200, compact({{QStringLiteral("characters"), note.characters},
                                         {QStringLiteral("shortened"), note.shortened},
                                         {QStringLiteral("words"), note.words}}));
}

void WebApi::send(const WebRequest &request, std::function<void(WebAnswer)> done)
{
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isObject())
        return done(WebAnswer::error(400, QStringLiteral("Die Anfrage ist kein JSON-Objekt.")));
    const QJsonObject o = document.object();
    const QJsonValue text = o.value(QStringLiteral("text"));
    if (!text.isString())
        return done(WebAnswer::error(400, QStringLiteral("„text“ muss ein Text in Anführungszeichen sein.")));
    if (!ScriptDelivery::hasText(text.toString()))
        return done(WebAnswer::error(400, QStringLiteral("Der Text ist leer.")));
    QList<int> boxes;
    if (!readBoxes(o.value(QStringLiteral("boxes")), &boxes))
        return done(WebAnswer::error(400, QStringLiteral("„boxes“ nennt Boxen mit den Nummern 1 bis %1.")
                                              .arg(BoxList::kBoxes)));
    Message message;
    const QJsonValue kind = o.value(QStringLiteral("kind"));
    if (kind == QJsonValue(QStringLiteral("popup")))
        message.kind = MessageKind::Popup;
    else if (!kind.isUndefined() && kind != QJsonValue(QStringLiteral("message")))
        return done(WebAnswer::error(400, QStringLiteral("„kind“ ist „popup“ oder „message“.")));
    std::optional<int> expire;
    const QJsonValue minutes = o.value(QStringLiteral("expire"));
    if (!minutes.isUndefined()) {
        const double n = minutes.toDouble(-1);
        if (!minutes.isDouble() || n != int(n) || n < 0 || n > kMaxExpireMinutes)
            return done(WebAnswer::error(400, QStringLiteral("„expire“ ist eine Zahl von Minuten von 0 bis %1.")
                                                  .arg(kMaxExpireMinutes)));
        expire = int(n);
    }
    const QJsonValue confirm = o.value(QStringLiteral("confirm"));
    if (!confirm.isUndefined() && !confirm.isBool())
        return done(WebAnswer::error(400, QStringLiteral("„confirm“ ist true oder false.")));
    message.confirm = confirm.toBool();
    message.text = TypedText::convert(text.toString()).text;

    QString error;
    ScriptDelivery *delivery = m_engine->sendFromScript(boxes, message, &error, expire, MessageSource::Web);
    if (!delivery)
        return done(WebAnswer::error(503, error));
    delivery->setParent(this);
    const bool shortened = SendTextStep::willBeShortened(message.text, message.kind);
    connect(delivery, &ScriptDelivery::finished, this, [delivery, shortened, done] {
        QJsonArray results;
        for (const ScriptDelivery::BoxOutcome &b : delivery->outcomes())
            results.append(boxResult(b));
        QJsonObject answer{{QStringLiteral("results"), results}};
        if (shortened)
            answer.insert(QStringLiteral("notice"), SendTextStep::kShortenedNotice);
        delivery->deleteLater();
        done(WebAnswer::json(200, compact(answer)));
    });
}

void WebApi::lists(const WebRequest &request, std::function<void(WebAnswer)> done)
{
    // /api/lists/<list>[/<line>[/send]]
    const QList<QByteArray> parts = request.path.mid(11).split('/');
    const std::optional<ReminderListKind> list = listNamed(parts.first());
    bool isNumber = parts.size() == 1;
    const int line = parts.size() > 1 ? parts.at(1).toInt(&isNumber) : 0;
    const QByteArray &method = request.method;
    const QByteArray shape = method + ' ' + QByteArray::number(parts.size()) + (parts.size() == 3 ? parts.at(2) : "");
    const QDir folder = m_engine->folder();
    if (!list || !isNumber
        || !QList<QByteArray>{"GET 1", "POST 1", "PUT 2", "DELETE 2", "POST 3send"}.contains(shape))
        return done(WebAnswer::error(404, QStringLiteral("Diese Adresse kennt Zelvo nicht.")));
    const BoxList boxes = m_engine->boxList()->boxes();
    const QDateTime now = m_engine->clock()->now();
    if (method == "GET")
        return done(WebAnswer::json(200, compact(ReminderListEdit::listing(folder, *list, boxes, now))));

    ReminderListEdit::Request edit;
    edit.line = line;
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parsed);
    if (method != "DELETE" && (parsed.error != QJsonParseError::NoError || !document.isObject()))
        return done(WebAnswer::error(400, QStringLiteral("Die Anfrage ist kein JSON-Objekt.")));
    const QJsonObject body = document.object();
    if (method == "DELETE") {
        edit.op = ReminderListEdit::Op::Delete;
        edit.version = QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(QStringLiteral("version"),
                                                                                  QUrl::FullyDecoded);
    } else {
        edit.op = method == "PUT" ? ReminderListEdit::Op::Change : ReminderListEdit::Op::Add;
        edit.version = body.value(QStringLiteral("version")).toString();
    }
    if (edit.version.isEmpty())
        return done(listAnswer(400, ReminderListDocument::versionOnDisk(folder, *list),
                               QStringLiteral("die Version fehlt (aus GET /api/lists/…)")));
    if (shape == "POST 3send")
        return sendNow(*list, edit, std::move(done));
    if (method != "DELETE") {
        QString error;
        edit.fields = ReminderFields::fromJson(*list, body.value(QStringLiteral("fields")).toObject(), &error);
        if (!edit.fields)
            return done(listAnswer(400, ReminderListDocument::versionOnDisk(folder, *list), error));
        edit.force = body.value(QStringLiteral("force")).toBool();
    }
    const ReminderListEdit::Answer a = ReminderListEdit::apply(folder, *list, edit, boxes, now);
    if (a.result == ReminderListEdit::Result::Saved)
        qCInfo(lcWeb).noquote() << ReminderLayout::fileName(*list) << "auf der Webseite geändert";
    else if (a.result == ReminderListEdit::Result::Failed)
        qCInfo(lcWeb).noquote() << ReminderLayout::fileName(*list) << "nicht gespeichert:" << a.reason;
    done(listAnswer(statusOf(a.result), a.version, a.reason));
}

void WebApi::sendNow(ReminderListKind list, const ReminderListEdit::Request &which,
                     std::function<void(WebAnswer)> done)
{
    ReminderListEdit::Answer refused;
    SendHandle *handle = ReminderListEdit::sendLine(m_engine->sender(), m_engine->folder(), list, which.line,
                                                    which.version, m_engine->boxList()->boxes(),
                                                    m_engine->clock()->now(), &refused);
    if (!handle)
        return done(listAnswer(statusOf(refused.result), refused.version, refused.reason));
    // Known when it went or failed, or once it is held for its box (which ends later).
    const auto reply = [this, handle, done](const SendResult &result) {
        disconnect(handle, nullptr, this, nullptr);
        done(WebAnswer::json(200, compact({{QStringLiteral("results"), QJsonArray{boxResult(handle->box(), result)}}})));
    };
    if (handle->isHeld())
        return reply(handle->result());
    connect(handle, &SendHandle::held, this, reply);
    connect(handle, &SendHandle::finished, this, reply);
}

WebAnswer WebApi::pageFile(const QByteArray &path)
{
    static const QList<QPair<QByteArray, QByteArray>> kFiles = {
        {"/", "index.html"}, {"/index.html", "index.html"}, {"/page.css", "page.css"}, {"/page.js", "page.js"}};
    static const QHash<QByteArray, QByteArray> kTypes = {{"html", "text/html; charset=utf-8"},
                                                         {"css", "text/css; charset=utf-8"},
                                                         {"js", "text/javascript; charset=utf-8"}};
    for (const auto &file : kFiles) {
        if (file.first != path)
            continue;
        QFile resource(QStringLiteral(":/web/") + QString::fromLatin1(file.second));
        if (!resource.open(QIODevice::ReadOnly))
            break;
        return WebAnswer{200, kTypes.value(file.second.mid(file.second.lastIndexOf('.') + 1)), resource.readAll(), {}};
    }
    return WebAnswer{404, "text/plain; charset=utf-8", QStringLiteral("Diese Seite gibt es nicht.").toUtf8(), {}};
}

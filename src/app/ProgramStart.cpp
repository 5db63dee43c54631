#include "app/ProgramStart.h"

#include "app/HeadlessStart.h"
#include "app/InstanceServer.h"
#include "app/SendCommand.h"
#include "app/WebPasswordCommand.h"
#include "common/Logging.h"

#include <QFileInfo>

#include <cstdio>

ProgramStart::ProgramStart(int &argc, char **argv, Program program)
    : m_argc(argc)
    , m_argv(argv)
    , m_program(program)
{
}

ProgramStart::~ProgramStart() = default;

std::optional<int> ProgramStart::prepare()
{
    // The service package has no zelvo program: `zelvo-headless send` is
    // `zelvo send` there.
    const QString program = QLatin1String(m_program == Program::Window ? ProgramOptions::kWindowProgram
                                                                       : ProgramOptions::kHeadlessProgram);
    if (m_argc > 1 && QString::fromLocal8Bit(m_argv[1]) == QStringLiteral("send"))
        return SendCommand::run(m_argc, m_argv, program);
    if (m_argc > 1 && QString::fromLocal8Bit(m_argv[1]) == QStringLiteral("web-password"))
        return WebPasswordCommand::run(m_argc, m_argv);
    m_options = ProgramOptions::parse(ProgramOptions::fromArgv(m_argc, m_argv));
    m_options.program = program;
    if (const int code = m_options.answer(); code >= 0)
        return code;

    QString error;
    if (!m_options.openFolder(&m_folder, &error)) {
        std::fprintf(stderr, "zelvo: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    // The working folder is the folder of the lists, however Zelvo started.
    QDir::setCurrent(m_folder.absolutePath());
    if (m_program == Program::Window) {
        if (const auto status = leaveForHeadless())
            return status;
    }

    // A second start in a folder hands over to the Zelvo running there.
    useZelvoLogPattern();
    m_instance = std::make_unique<SingleInstance>(m_folder);
    if (!m_instance->claim())
        return m_instance->handOver();
    return std::nullopt;
}

std::optional<int> ProgramStart::leaveForHeadless()
{
    // Without a window the engine runs in zelvo-headless, which never loads
    // the widget libraries.
    if (!m_options.headless && HeadlessStart::haveDisplay())
        return std::nullopt;
    if (!m_options.headless)
        std::fprintf(stderr, "zelvo: kein Bildschirm gefunden (weder DISPLAY noch WAYLAND_DISPLAY) - "
                             "Zelvo läuft ohne Fenster (--headless).\n");
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString failure = HeadlessStart::exec(self, m_argc, m_argv);
    std::fprintf(stderr, "zelvo: %s\n", failure.toLocal8Bit().constData());
    return 1;
}

int ProgramStart::run(Engine *engine)
{
    int status = 0;
    {
        // The server sends through engine, which the caller holds past this
        // call: it lives only in this block, and its socket closes before
        // the lock is let go.
        const auto server = m_instance->serve(engine, m_program == Program::Window);
        status = QCoreApplication::exec();
    }
    m_instance->release();
    m_end->logEnded();
    // The signal pipe goes while the application object still exists.
    m_end.reset();
    return status;
}

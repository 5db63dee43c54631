#include "CheckCommandLine.h"
#include "CheckJsonReport.h"
#include "check/CheckTextReport.h"
#include "check/FolderCheck.h"
#include "common/Clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zelvo-check"));
    // The readers log for the running app; here the report says it all.
    QLoggingCategory::setFilterRules(QStringLiteral("zelvo.*=false"));

    const CheckCommandLine cmd = CheckCommandLine::parse(app.arguments());
    if (cmd.help) {
        std::fputs(CheckCommandLine::usage().toLocal8Bit().constData(), stdout);
        return FolderCheck::AllFire;
    }
    if (!cmd.error.isEmpty()) {
        std::fprintf(stderr, "zelvo-check: %s\n\n%s", cmd.error.toLocal8Bit().constData(),
                     CheckCommandLine::usage().toLocal8Bit().constData());
        return FolderCheck::CannotRead;
    }

    const QDateTime now = cmd.at.isValid() ? cmd.at : SystemClock().now();
    const FolderCheck check = FolderCheck::run(QDir(cmd.folder), now);
    const QByteArray report = cmd.json ? CheckJsonReport::of(check) : CheckTextReport::of(check).toUtf8();
    std::fwrite(report.constData(), 1, size_t(report.size()), stdout);
    std::fflush(stdout);
    return check.status();
}

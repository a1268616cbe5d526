#include "monitor/DatalogRecorder.h"

#include "monitor/SampleRate.h"
#include "platform/Clock.h"
#include "platform/Services.h"

#include <QApplication>
#include <QPointer>

namespace datalog {

namespace {
const QString ProgramTitle = QStringLiteral("KESTREL - VentrixTM Communications Software");
const QString FileError = QStringLiteral("File Error");
} // namespace

Recorder::Recorder(RecorderSetup setup, QObject* parent) : QObject(parent), setup_(std::move(setup))
{
    dialog_.title = QStringLiteral("DATALOG FILENAME SELECT");
    dialog_.filter = QStringLiteral("Text Files (*.txt)");
    dialog_.defaultName = setup_.defaultName;
}

bool Recorder::start()
{
    QPointer<Recorder> self(this);
    const QString path = services::dialogs().saveFileName(dialog_);
    if (!self || path.isEmpty())
        return false; // cancelled: the window goes on without a log
    dialog_.defaultName = path;
    fine_ = sample_rate::FineTimes(sample_rate::Stored());
    if (!file_.create(path, services::clock().currentDateTime(),
                      fine_ ? FineColumns(setup_.columns) : setup_.columns)) {
        tell(MsgIcon::Exclamation, FileError,
             QStringLiteral("File: ") + path + QStringLiteral(" could not be created.\r\n") + setup_.withoutLog);
        return false;
    }
    emit loggingChanged(true);
    return self && isLogging();
}

void Recorder::record(const QStringList& shownValues)
{
    if (!isLogging())
        return;
    append(DataLine(services::clock().currentDateTime().time(), shownValues, fine_));
}

void Recorder::stamp()
{
    if (!isLogging())
        return;
    QApplication::beep();
    append(Record({QStringLiteral("USER TIMESTAMP:"), TimeText(services::clock().currentDateTime().time())}));
}

void Recorder::note(const QString& text)
{
    append(NoteLine(services::clock().currentDateTime().time(), text));
}

void Recorder::append(const QString& line)
{
    if (!isLogging() || file_.append(line))
        return;
    // The disk refused the line: say so now rather than report success later.
    const QString path = file_.path();
    close();
    tell(MsgIcon::Exclamation, FileError,
         QStringLiteral("File: ") + path + QStringLiteral(" could not be written.\r\n")
             + QStringLiteral("Data logging has stopped."));
}

void Recorder::stop()
{
    if (!isLogging())
        return;
    const QString path = file_.path();
    close();
    tell(MsgIcon::Information, ProgramTitle,
         QStringLiteral("File: ") + path + QStringLiteral(" successfully written."));
}

void Recorder::close()
{
    if (!isLogging())
        return;
    file_.close();
    emit loggingChanged(false);
}

void Recorder::tell(MsgIcon icon, const QString& title, const QString& text)
{
    if (setup_.tell)
        setup_.tell(icon, title, text);
    else
        services::dialogs().message(icon, title, text);
}

} // namespace datalog

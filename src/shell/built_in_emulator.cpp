#include "built_in_emulator.h"

#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

namespace kovo {

namespace {
Q_LOGGING_CATEGORY(lcEmulator, "kovo.emulator")
}

BuiltInEmulator::BuiltInEmulator(const QString& programFolder)
    : m_emulator(std::make_shared<TarsisEmulator>()),
      m_memoryPath(QDir(programFolder).filePath(QStringLiteral("emulator.mem"))) {
    if (QFileInfo::exists(m_memoryPath)) {
        QString error;
        // A damaged file leaves the factory-fresh memory in place.
        if (!m_emulator->loadMemory(m_memoryPath, &error))
            qCWarning(lcEmulator) << "emulator memory not loaded:" << error;
    }
    m_emulator->setTrace([this](const QString&, const QByteArray&) { m_changed = true; });
    std::weak_ptr<TarsisEmulator> weak = m_emulator;
    ChannelFactory::setBuiltInEmulatorProvider(
        [weak]() -> std::shared_ptr<InProcessDevice> { return weak.lock(); });
}

BuiltInEmulator::~BuiltInEmulator() {
    saveIfChanged();
    m_emulator->setTrace({});
}

bool BuiltInEmulator::saveIfChanged() {
    if (!m_changed.exchange(false))
        return true;
    return save();
}

QString BuiltInEmulator::portName() {
    return ChannelFactory::builtInEmulatorName();
}

bool BuiltInEmulator::isBuiltIn(const QString& comPort) {
    return ChannelFactory::resolve(comPort).kind == ChannelFactory::Kind::BuiltIn;
}

bool BuiltInEmulator::save(QString* error) {
    QString problem;
    const bool saved = m_emulator->saveMemory(m_memoryPath, &problem);
    if (!saved) {
        qCWarning(lcEmulator) << "emulator memory not saved:" << problem;
        if (error)
            *error = problem;
    }
    return saved;
}

} // namespace kovo

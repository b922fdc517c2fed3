#pragma once

// Helpers shared by the pipeline tests: a private settings store, a stage whose work the test
// chooses, and a notification recorder.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <functional>
#include <memory>

namespace pipelinetest {

// A settings store in a fresh folder with the converter's and the run's registered defaults.
inline std::unique_ptr<MCUserDefaults> makeDefaults()
{
    auto defaults = std::make_unique<MCUserDefaults>(
        QDir(testsupport::makeTemporaryFolder(QStringLiteral("defaults"))).filePath(QStringLiteral("Preferences.plist")));
    QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
    registered.insert(kMCShouldAutorotateKey, true);
    registered.insert(kMCKeepOriginalFileCreationDateKey, true);
    defaults->registerDefaults(registered);
    return defaults;
}

// A stage (of the ID it is given, for the catalogue's attributes) whose work is a callback.
class ScriptedStage : public MCConvertStage
{
public:
    using Work = std::function<bool(MCBitmap *, QVariantMap &, MCError *)>;
    explicit ScriptedStage(qint64 id = -1, Work work = {}) : m_id(id), m_work(std::move(work)) {}
    qint64 stageID() const override { return m_id; }
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *, MCError *error) override
    {
        ++calls;
        return m_work ? m_work(bitmap, metadata, error) : true;
    }
    int calls = 0;

private:
    qint64 m_id;
    Work m_work;
};

// Records the names (and stage counts) of the converter's notifications.
class NotificationRecorder
{
public:
    explicit NotificationRecorder(const MCBitmapConverter &converter)
    {
        for (const QString &name : {kMCBitmapConverterWillAddStages, kMCBitmapConverterWillRemoveStages,
                                    kMCBitmapConverterDidChangeStages}) {
            m_tokens.push_back(MCNotificationCenter::defaultCenter().addObserverForName(
                name, &converter, [this](const MCNotification &n) {
                    const QVariant stages = n.userInfo.value(kMCBitmapConverterStagesKey);
                    names << (stages.isValid() ? QStringLiteral("%1:%2").arg(n.name).arg(stages.toList().size())
                                               : n.name);
                }));
        }
    }
    ~NotificationRecorder()
    {
        for (MCNotificationToken token : m_tokens)
            MCNotificationCenter::defaultCenter().removeObserver(token);
    }
    QStringList names;

private:
    std::vector<MCNotificationToken> m_tokens;
};

} // namespace pipelinetest

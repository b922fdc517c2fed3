// The conversion benchmark driver, run as a program on a few tiny photos.
#include "app/engine/pipeline/MCConvertPreset.h"
#include "platform/core/MCPropertyList.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString makePhoto(const QString &folder, const QString &name, QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(image.save(path, format)) << name.toStdString();
    return path;
}

struct DriverRun
{
    int exitCode = -1;
    QByteArray output;
};

// Runs the driver; with `temporaryFolder`, that is its temporary folder (TMPDIR).
DriverRun runDriver(const QString &outputFolder, const QStringList &sources, const QString &temporaryFolder = {})
{
#ifdef QUILLON_CONVERT_BENCH
    const QString preset = QDir(testsupport::makeTemporaryFolder(QStringLiteral("preset"))).filePath("jpeg.convertpreset");
    const MCConvertPreset jpeg(QStringLiteral("JPEG"), std::nullopt, 1, 1, 0, false, 0.8, false, 0, {});
    EXPECT_TRUE(platform::writePropertyList(jpeg.dictionaryRepresentation(), preset));
    QProcess process;
    if (!temporaryFolder.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temporaryFolder);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(QUILLON_CONVERT_BENCH), QStringList{preset, outputFolder} + sources);
    DriverRun run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput() + process.readAllStandardError();
    return run;
#else
    Q_UNUSED(outputFolder);
    Q_UNUSED(sources);
    Q_UNUSED(temporaryFolder);
    return {};
#endif
}

// The pixel sizes of the photos in `folder` whose name ends in ".jpg".
QSet<QString> resultSizes(const QString &folder)
{
    QSet<QString> sizes;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files)) {
        const QImage image(QDir(folder).filePath(name));
        sizes.insert(QStringLiteral("%1x%2").arg(image.width()).arg(image.height()));
    }
    return sizes;
}

class ConvertDriver : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifndef QUILLON_CONVERT_BENCH
        GTEST_SKIP() << "the conversion benchmark driver is not built";
#endif
    }
};

} // namespace

// Two sources with one base name give two results, and the report counts what exists.
TEST_F(ConvertDriver, SourcesSharingABaseNameEachGetAResult)
{
    const QString sources = testsupport::makeTemporaryFolder(QStringLiteral("sources"));
    const QString output = testsupport::makeTemporaryFolder(QStringLiteral("output"));
    const QString jpeg = makePhoto(sources, QStringLiteral("a.jpeg"), QSize(8, 6), "JPEG");
    const QString png = makePhoto(sources, QStringLiteral("a.png"), QSize(10, 4), "PNG");
    const DriverRun run = runDriver(output, {jpeg, png});
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    EXPECT_TRUE(run.output.contains("files 2\n")) << run.output.constData();
    EXPECT_EQ(QDir(output).entryList(QDir::Files, QDir::Name), (QStringList{"a 2.jpg", "a.jpg"}));
    EXPECT_EQ(resultSizes(output), (QSet<QString>{"8x6", "10x4"}));
    // The temporary folder of the run is gone with it.
    EXPECT_EQ(QDir(output).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// Converting into the sources' own folder never replaces a source.
TEST_F(ConvertDriver, AnOutputFolderHoldingTheSourcesKeepsThem)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("same"));
    const QString jpeg = makePhoto(folder, QStringLiteral("a.jpg"), QSize(8, 6), "JPEG");
    const QString png = makePhoto(folder, QStringLiteral("b.png"), QSize(10, 4), "PNG");
    const QByteArray original = contents(jpeg);
    const DriverRun run = runDriver(folder, {jpeg, png});
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    EXPECT_TRUE(run.output.contains("files 2\n")) << run.output.constData();
    EXPECT_EQ(contents(jpeg), original);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"a 2.jpg", "a.jpg", "b.jpg", "b.png"}));
}

// A run leaves nothing in the temporary folder (its settings included), and removes what a
// killed run left there.
TEST_F(ConvertDriver, LeavesNothingInTheTemporaryFolderAndRemovesAKilledRunsLeftovers)
{
    const QString temporary = testsupport::makeTemporaryFolder(QStringLiteral("tmp"));
    // A process that has ended, named as the driver names its folder.
    QProcess ended;
    ended.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 deadProcess = ended.processId();
    ended.kill();
    ASSERT_TRUE(ended.waitForFinished());
    const QString leftover = QDir(temporary).filePath(QStringLiteral("quillonx-%1-abc123").arg(deadProcess));
    ASSERT_TRUE(QDir().mkpath(leftover));
    ASSERT_TRUE(platform::writePropertyList(QVariantMap{{QStringLiteral("k"), true}}, leftover + "/Preferences.plist"));

    const QString sources = testsupport::makeTemporaryFolder(QStringLiteral("sources"));
    const QString output = testsupport::makeTemporaryFolder(QStringLiteral("output"));
    const DriverRun run = runDriver(output, {makePhoto(sources, QStringLiteral("a.png"), QSize(8, 6), "PNG")}, temporary);
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    EXPECT_EQ(QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

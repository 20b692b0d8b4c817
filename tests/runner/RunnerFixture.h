#pragma once

#include "core/AppState.h"
#include "core/Settings.h"
#include "engine/JobEnv.h"
#include "fakes/FakeClock.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/ScriptedPrompt.h"
#include "fakes/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A fresh program state with its app folder and a work folder, both in a temporary folder.
class RunnerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkdir(QStringLiteral("app"));
        QDir(m_root.path()).mkdir(QStringLiteral("work"));
        state.setAppFolder(m_root.path() + QStringLiteral("/app"));
        Settings::LoadDefaultSettings(state);
        QDir().mkpath(state.BackupFolder);
        folder = m_root.path() + QStringLiteral("/work/");
    }

    QString path(const QString& name) const { return folder + name; }
    void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(TestFiles::write(path(name), bytes)); }
    QByteArray content(const QString& name) const { return TestFiles::read(path(name)); }

    AppState state;
    RecordingSink sink;
    ScriptedPrompt prompt;
    FakeClock clock;
    JobEnv env{state, sink, prompt, clock};
    QString folder;

private:
    QTemporaryDir m_root;
};

inline RecordingSink::Row row(int percent, const QString& text, const QString& status, const QString& reason,
                              const QString& mark) {
    return {percent, text, status, reason, mark};
}

inline const RecordingSink::Row Completion{-1, QString(), QString(), QString(), QString()};

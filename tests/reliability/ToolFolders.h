#pragma once

#include "CliProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A fresh temporary folder holding the tool's app folder ("app/") and the user's files ("work/"),
// with the tool run on them. `flags` go before every command's own arguments.
template <class Base = ::testing::Test> class ToolFolders : public Base {
protected:
    explicit ToolFolders(QByteArrayList commonFlags = {"--yes"}) : flags(std::move(commonFlags)) {}

    void SetUp() override { makeFolders(QDir::tempPath()); }

    void makeFolders(const QString& base) {
        m_root = std::make_unique<QTemporaryDir>(base + QStringLiteral("/quillmar-XXXXXX"));
        ASSERT_TRUE(m_root->isValid());
        root = m_root->path().toUtf8();
        app = root + "/app/";
        work = root + "/work/";
        QDir().mkpath(QString::fromUtf8(app));
        QDir().mkpath(QString::fromUtf8(work));
    }

    CliOutcome run(const QByteArrayList& arguments, CliOptions options = {}) {
        options.arguments = QByteArrayList{"--app-dir", app, "--quiet"} + flags + arguments;
        return runCli(options);
    }

    QByteArrayList flags;
    QByteArray root;
    QByteArray app;
    QByteArray work;

private:
    std::unique_ptr<QTemporaryDir> m_root;
};

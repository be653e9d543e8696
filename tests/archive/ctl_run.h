#pragma once
// zv318ctl as the archive's second program: run with extra environment, its exit status and
// what it wrote.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zv318::testing {

struct CtlRun {
    int status = -1;
    std::string out, err;
};

inline CtlRun RunCtl(const QStringList& args, const std::vector<std::pair<QString, QString>>& environment) {
    QProcess ctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [key, value] : environment) env.insert(key, value);
    ctl.setProcessEnvironment(env);
    ctl.start(ZV318_CTL_PATH, args);
    EXPECT_TRUE(ctl.waitForFinished(60000));
    return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
            ctl.readAllStandardError().toStdString()};
}

}  // namespace zv318::testing

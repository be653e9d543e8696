// zv318ctl's archive against zv318-sim running as its own process: a save puts each logger in
// the archive once, the archive gives the saved bytes back, and ZV318_ARCHIVE=off adds nothing.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "app/ctl_support.h"
#include "texts/text_file.h"

namespace {

std::string Bytes(const fs::path& p) {
    return zv318::ReadWholeFile(p).value_or("<missing>");
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Zv318ctlArchive, SavedLoggersListedOnceAndExportedAsSaved) {
    SimProcess sim;
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-archive-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Loggers");
    const std::string env = sim.envWithHome(home);

    // Off: the save runs and the archive is not even made.
    ASSERT_EQ(RunCtl("ZV318_ARCHIVE=off " + env, "loggers save radio").status, 0);
    EXPECT_FALSE(fs::exists(home / "archive.sqlite"));

    ASSERT_EQ(RunCtl(env, "loggers save radio").status, 0);
    const CtlRun once = RunCtl(env, "archive list --json");
    ASSERT_EQ(once.status, 0) << once.out;
    ASSERT_EQ(RunCtl(env, "loggers save radio").status, 0);
    const CtlRun twice = RunCtl(env, "archive list --json --type radio");
    EXPECT_EQ(twice.out, once.out);
    // The simulator holds four RADIO loggers.
    EXPECT_EQ(Count(once.out, "\"type\": \"RADIO\""), 4) << once.out;
    EXPECT_EQ(Count(once.out, "\"serial\": \"00012345\""), 4);
    EXPECT_NE(once.out.find("\"name\": \"ROOF1\""), std::string::npos);
    // Written as it is read, and still one JSON array a reader takes whole.
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(once.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_TRUE(json.isArray());
    EXPECT_EQ(json.array().size(), 4);
    EXPECT_EQ(json.array()[0].toObject()["name"].toString(), "ROOF1");
    // A name with a quote, a backslash and a byte that is no UTF-8 still gives JSON a reader
    // takes, the name read in the instrument's encoding ("\xff" is "ÿ").
    const std::string odd = "Q\"B\\S\xff";
    ASSERT_TRUE(zv318::WriteFileAtomically(home / "odd.lograd",
                                           "RADIO\r\n" + odd +
                                               "\r\nTV1\r\n14.03.2013\r\n09:15:02\r\n45 dBuV\r\n1"
                                               "\r\n0,C1,474000000,8000000,50.0 dBuV"));
    ASSERT_EQ(RunCtl(env, "archive import '" + (home / "odd.lograd").string() + "'").status, 0);
    const QJsonDocument oddJson = QJsonDocument::fromJson(
        QByteArray::fromStdString(RunCtl(env, "archive list --json --name Q").out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_EQ(oddJson.array().size(), 1);
    EXPECT_EQ(oddJson.array()[0].toObject()["name"].toString(), QString::fromUtf8("Q\"B\\S\u00ff"));
    EXPECT_EQ(oddJson.array()[0].toObject()["measured_at"].toString(), "2013-03-14T09:15:02");
    ASSERT_EQ(RunCtl(env, "--yes archive delete 5").status, 0);
    EXPECT_EQ(RunCtl("ZV318_ARCHIVE=" + (home / "none.sqlite").string() + " " + env,
                     "archive list --json --name X")
                  .out,
              "[\n]\n");
    // The whole file's check on request.
    const CtlRun check = RunCtl(env, "archive check");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("archive sound"), std::string::npos) << check.out;

    const CtlRun exported =
        RunCtl(env, "archive export 1 -o '" + (home / "F.lograd").string() + "'");
    ASSERT_EQ(exported.status, 0) << exported.out;
    EXPECT_EQ(Bytes(home / "F.lograd"), Bytes(home / "Loggers" / "ROOF1.lograd"));
    // Asked, naming how many and which, and answered no.
    const CtlRun asked = RunCtl(env, "archive delete 1 2");
    EXPECT_EQ(asked.status, 1);
    EXPECT_NE(asked.out.find("loggers (2) from the archive: ROOF1, "), std::string::npos)
        << asked.out;
    EXPECT_EQ(RunCtl(env, "--yes archive delete 1").status, 0);
    EXPECT_EQ(Count(RunCtl(env, "archive list --json").out, "\"id\""), 3);
    fs::remove_all(home);
}

// "archive pull": the loggers the archive lacks (the PLC ones, the RADIO ones being kept by a
// save), each downloaded once, as the simulator's own trace shows; a second pull keeps nothing
// and still ends with 0, as a udev rule or cron wants it.
TEST(Zv318ctlArchive, PullKeepsOnlyWhatTheArchiveLacksAndASecondPullNothing) {
    const fs::path trace =
        fs::temp_directory_path() / ("zv318-ctl-pull-trace-" + std::to_string(getpid()));
    fs::remove(trace);
    SimProcess sim({"--trace", trace.string()});
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-pull-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Loggers");
    const std::string env = sim.envWithHome(home);
    auto downloads = [&] {
        // Record 000 of each logger whose records were asked for, by slot.
        std::multiset<std::string> taken;
        const std::string text = Bytes(trace);
        const std::regex first(R"(\*\?HD(\d\d)000)");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), first);
             it != std::sregex_iterator(); ++it)
            taken.insert((*it)[1]);
        return taken;
    };

    ASSERT_EQ(RunCtl(env, "loggers save radio").status, 0);
    const std::multiset<std::string> bySave = downloads();
    const CtlRun pulled = RunCtl(env, "archive pull --json");
    ASSERT_EQ(pulled.status, 0) << pulled.out;
    std::multiset<std::string> byPull = downloads();
    for (const std::string& slot : bySave) byPull.erase(byPull.find(slot));
    EXPECT_EQ(byPull, (std::multiset<std::string>{"01", "20"})) << pulled.out;
    EXPECT_EQ(Count(pulled.out, "\"type\": \"PLC\""), 2) << pulled.out;
    EXPECT_EQ(Count(pulled.out, "\"type\": \"RADIO\""), 0);
    EXPECT_NE(pulled.out.find("\"already_kept\": 4"), std::string::npos) << pulled.out;
    EXPECT_NE(pulled.out.find("\"serial\": \"00012345\""), std::string::npos);
    EXPECT_EQ(Count(RunCtl(env, "archive list --json").out, "\"id\""), 6);
    EXPECT_FALSE(fs::exists(home / "Loggers" / "MAIN.logplc"));

    const std::size_t before = downloads().size();
    const CtlRun again = RunCtl(env, "archive pull");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("0 new loggers from ZV-318 00012345 kept in the archive"),
              std::string::npos)
        << again.out;
    EXPECT_EQ(downloads().size(), before);
    EXPECT_EQ(Count(RunCtl(env, "archive list --json").out, "\"id\""), 6);

    EXPECT_EQ(RunCtl(env, "archive pull --yaml").status, 2);
    sim.stop();
    EXPECT_EQ(RunCtl(env, "archive pull").status, 3);
    fs::remove_all(home);
    fs::remove(trace);
}

// "archive pull" names every logger it leaves out (a damaged header, a damaged record), keeps
// the rest and ends with 1 and "complete": false; a slot whose header differs from the kept
// logger's only in its threshold or its unit is another logger, and is kept.
TEST(Zv318ctlArchive, PullNamesWhatItLeavesOutAndKnowsALoggerByItsWholeHeader) {
    const fs::path home =
        fs::temp_directory_path() / ("zv318-ctl-pull-skip-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "Loggers");
    auto pull = [&](std::vector<std::string> sim, const std::string& args) {
        sim.insert(sim.begin(), {"--empty", "--logger", "plc:1:4:MAIN"});
        SimProcess instrument(sim);
        return RunCtl(instrument.envWithHome(home), args);
    };
    auto json = [](const CtlRun& run) {
        const std::string text =
            run.out.substr(run.out.find('{'), run.out.rfind('}') - run.out.find('{') + 1);
        return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
    };

    const CtlRun faulty =
        pull({"--logger", "radio:7:2:BAD", "--header-count", "7:x", "--logger", "plc:4:5:REC",
              "--reply", "*?HD04002:?HD&C2&47x000000&8000000&-40.2"},
             "archive pull --json");
    EXPECT_EQ(faulty.status, 1) << faulty.out;
    const QJsonObject result = json(faulty);
    EXPECT_FALSE(result["complete"].toBool()) << faulty.out;
    ASSERT_EQ(result["kept"].toArray().size(), 1) << faulty.out;
    EXPECT_EQ(result["kept"].toArray()[0].toObject()["name"].toString(), "MAIN");
    const QJsonArray skipped = result["skipped"].toArray();
    ASSERT_EQ(skipped.size(), 2) << faulty.out;
    EXPECT_EQ(skipped[0].toObject()["type"].toString(), "RADIO");
    EXPECT_EQ(skipped[0].toObject()["slot"].toInt(), 7);
    EXPECT_TRUE(skipped[0].toObject()["reason"].toString().contains("damaged header"));
    EXPECT_EQ(skipped[1].toObject()["type"].toString(), "PLC");
    EXPECT_EQ(skipped[1].toObject()["slot"].toInt(), 4);
    EXPECT_EQ(skipped[1].toObject()["name"].toString(), "REC");
    EXPECT_TRUE(skipped[1].toObject()["reason"].toString().contains("damaged record"));
    // Without --json: each named under the heading, after the count of those kept.
    const CtlRun told =
        pull({"--logger", "radio:7:2:BAD", "--header-count", "7:x"}, "archive pull");
    EXPECT_EQ(told.status, 1) << told.out;
    EXPECT_NE(
        told.out.find("Loggers the instrument holds that were not kept (slot: reason):\nRADIO 7 "
                      "(BAD): The ZV-318 sent a damaged header"),
        std::string::npos)
        << told.out;

    // MAIN's header as the simulator sends it, with another threshold or unit.
    const std::string header = "*?HL01:?HL01 10:20:30 01-02-2013 MAIN&TV1&4&";
    struct Case {
        std::string header;
        int kept, alreadyKept;
    };
    const Case cases[] = {
        {"", 0, 1},                   // the logger kept above
        {header + "dBm&-40", 1, 0},   // another threshold
        {header + "dBuV&-50", 1, 0},  // another unit
        {header + "dBm&-40", 0, 1},   // each kept once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        const CtlRun run = pull(c.header.empty() ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"--reply", c.header},
                                "archive pull --json");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(json(run)["kept"].toArray().size(), c.kept) << run.out;
        EXPECT_EQ(json(run)["already_kept"].toInt(), c.alreadyKept) << run.out;
        EXPECT_TRUE(json(run)["complete"].toBool());
    }
    EXPECT_EQ(Count(RunCtl("ZV318_HOME=" + home.string(), "archive list --json").out, "\"id\""), 3);
    fs::remove_all(home);
}

}  // namespace

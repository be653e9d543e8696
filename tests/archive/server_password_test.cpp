// The team server's password in the system's keyring, against a real Secret Service (this
// binary runs under tests/archive/with-keyring: gnome-keyring in a private D-Bus session) and
// the throwaway cluster's role that needs a password: what the program keeps there is what
// zv318ctl connects with, a refusal is named, and without a keyring the way left is ~/.pgpass.

#include <unistd.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <iterator>
#include <optional>

#include "archive/archive_keeper.h"
#include "archive/archive_server.h"
#include "archive/ctl_run.h"
#include "archive/server_database.h"
#include "archive/server_password.h"
#include "archive/windows/team_archive.h"
#include "plans/plan_fixture.h"
#include "support/recording_feedback.h"
#include "texts/qt_path.h"
#include "texts/user_settings.h"
#include "texts/menu_caption.h"

namespace zv318::testing {
namespace {

// Where no Secret Service can be reached: a session bus that is not there.
constexpr char kNoBus[] = "unix:path=/nonexistent/zv318-no-bus";

bool KeyringRuns() {
    return ReadServerPassword("zv318-test-probe").outcome != KeyringAnswer::NoKeyring;
}

// Under with-keyring a keyring must answer: a skip there would hide a broken keyring path.
#define NEEDS_KEYRING()                                                                           \
    if (!KeyringRuns()) {                                                                         \
        if (std::getenv("ZV318_TEST_KEYRING")) FAIL() << "the test's own keyring did not answer"; \
        GTEST_SKIP() << "no Secret Service (tests/archive/with-keyring runs one)";                \
    }

TEST(serverPassword, OneEntryPerServerWhateverElseTheAddressSays) {
    const struct {
        std::string url, entry;
    } cases[] = {
        {"postgresql://tech1@db.example.com/zv318", "tech1@db.example.com:5432/zv318"},
        {"postgresql://tech1@db.example.com:5432/zv318?sslmode=verify-full&connect_timeout=3",
         "tech1@db.example.com:5432/zv318"},
        {"postgres://db.example.com/zv318?user=tech1", "tech1@db.example.com:5432/zv318"},
        {"postgresql://tech1@db.example.com:5433/zv318", "tech1@db.example.com:5433/zv318"},
        {"postgresql://tech2@db.example.com/zv318", "tech2@db.example.com:5432/zv318"},
        {"postgresql://tech1@db.example.com/other", "tech1@db.example.com:5432/other"},
        {"postgresql://tech1@%2Fvar%2Frun%2Fpostgresql/zv318",
         "tech1@/var/run/postgresql:5432/zv318"},
        {"postgresql://tech1@[::1]:5432/zv318", "tech1@[::1]:5432/zv318"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordEntry(ParseServerAddress(c.url)), c.entry) << c.url;
}

TEST(serverPassword, KeptReplacedAndForgottenInTheKeyring) {
    NEEDS_KEYRING();
    const std::string entry = "tech" + std::to_string(getpid()) + "@db.example.com:5432/zv318";
    // Whatever a password holds comes back as it was typed.
    for (const std::string password : {"first", "sécret €; 'quoted' \"too\" \\ =x"}) {
        SCOPED_TRACE(password);
        EXPECT_EQ(KeepServerPassword(entry, password).outcome, KeyringAnswer::Done);
        const KeyringAnswer read = ReadServerPassword(entry);
        EXPECT_EQ(read.outcome, KeyringAnswer::Done) << read.why;
        EXPECT_EQ(read.password, password);
    }
    EXPECT_EQ(ReadServerPassword(entry + "x").outcome, KeyringAnswer::NoEntry);
    EXPECT_EQ(ForgetServerPassword(entry).outcome, KeyringAnswer::Done);
    EXPECT_EQ(ReadServerPassword(entry).outcome, KeyringAnswer::NoEntry);
}

TEST(serverPassword, ZvctlConnectsWithTheKeptPasswordAndNamesEveryRefusal) {
    NEEDS_SERVER();
    NEEDS_KEYRING();
    TempFolder folder;
    ServerDatabase db;
    (void)db.initialised(folder.path);
    const std::string role = "zv318_k" + std::to_string(getpid());
    const std::string good = "Kq7-good", bad = "Zx9-bad";
    ASSERT_EQ(db.passwordRole(role, good, "SELECT"), "");
    const std::string url =
        "postgresql://" + role + "@" + Encoded(SocketFolder()) + "/" + db.name();
    const std::string entry = PasswordEntry(ParseServerAddress(url));
    struct Case {
        std::string name;
        std::optional<std::string> kept;  // in the keyring, through the program's own code
        std::string environment;          // PGPASSWORD ("": none)
        bool keyring;                     // whether zv318ctl finds a Secret Service
        int status;
        std::string told;
    };
    const std::string pgpass = "~/.pgpass (HOST:PORT:DBNAME:USER:PASSWORD, chmod 600)";
    const Case cases[] = {
        {"the kept password", good, "", true, 0, ""},
        {"a wrong kept password", bad, "", true, 1, "refuses the password of " + role},
        {"the kept one before PGPASSWORD", good, bad, true, 0, ""},
        {"nothing kept: PGPASSWORD", std::nullopt, good, true, 0, ""},
        {"nothing kept, nothing given", std::nullopt, "", true, 1,
         "asks for the password of " + role + " and this PC has none"},
        {"no keyring: PGPASSWORD still", good, good, false, 0, ""},
        {"no keyring, nothing given: how to use .pgpass", good, "", false, 1, pgpass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder home;
        (void)ForgetServerPassword(entry);
        if (c.kept) {
            ASSERT_EQ(KeepServerPassword(entry, *c.kept).outcome, KeyringAnswer::Done);
        }
        std::vector<std::pair<QString, QString>> env{
            {"ZV318_ARCHIVE", QString::fromStdString(url)},
            {"ZV318_HOME", QStringFromPath(home.path)},
            {"PGPASSWORD", QString::fromStdString(c.environment)},
            {"PGPASSFILE", QStringFromPath(home.path / "no-pgpass")}};
        if (!c.keyring) env.emplace_back("DBUS_SESSION_BUS_ADDRESS", kNoBus);
        const CtlRun list = RunCtl({"archive", "list"}, env);
        EXPECT_EQ(list.status, c.status) << list.err;
        if (!c.told.empty()) {
            EXPECT_NE(list.err.find(c.told), std::string::npos) << list.err;
        }
        // The server's own words follow the technician's.
        if (c.status != 0) {
            EXPECT_TRUE(list.err.find("no password supplied") != std::string::npos ||
                        list.err.find("password authentication failed") != std::string::npos)
                << list.err;
        }
        for (const std::string& password : {good, bad}) {
            EXPECT_EQ(list.out.find(password), std::string::npos) << list.out;
            EXPECT_EQ(list.err.find(password), std::string::npos) << list.err;
        }
    }
    (void)ForgetServerPassword(entry);
    (void)db.run("DROP OWNED BY " + role + "; DROP ROLE " + role);
}

TEST(serverPassword, ThePasswordTypedWithTheAddressIsKeptBeforeTheServerIsUsed) {
    NEEDS_SERVER();
    NEEDS_KEYRING();
    TempFolder folder;
    ServerDatabase db;
    (void)db.initialised(folder.path);
    const std::string role = "zv318_d" + std::to_string(getpid());
    ASSERT_EQ(db.passwordRole(role, "Kq7-typed", "SELECT, INSERT"), "");
    const std::string url =
        "postgresql://" + role + "@" + Encoded(SocketFolder()) + "/" + db.name();
    const std::string entry = PasswordEntry(ParseServerAddress(url));
    (void)ForgetServerPassword(entry);
    unsetenv("ZV318_ARCHIVE");
    unsetenv("PGPASSWORD");
    qputenv("PGPASSFILE", QStringFromPath(folder.path / "no-pgpass").toUtf8());
    RecordingFeedback feedback;
    LanguageTable language;
    ArchiveKeeper keeper(ArchiveLocationFor(std::nullopt, folder.path), feedback, language,
                         [] { return std::optional<InstrumentIdentity>(); });
    QWidget window;
    TeamArchiveControls team(keeper, folder.path, &window);
    team.applyTranslation(language);
    team.askAddress = [&](const ServerQuestion&, const QString&) {
        return std::optional<ServerAnswer>({QString::fromStdString(url), "Kq7-typed"});
    };
    std::vector<QString> told;
    team.tell = [&](const QString&, const QString& text) { told.push_back(text); };
    team.ServerButton->click();
    for (int k = 0; k < 300 && keeper.location().url != url; ++k) QTest::qWait(20);
    EXPECT_EQ(keeper.location().url, url);
    EXPECT_TRUE(told.empty());
    const KeyringAnswer kept = ReadServerPassword(entry);
    EXPECT_EQ(kept.outcome, KeyringAnswer::Done) << kept.why;
    EXPECT_EQ(kept.password, "Kq7-typed");
    // Kept in the keyring only: the settings hold the address, no password.
    std::ifstream settings(UserSettings::FileIn(folder.path));
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_NE(text.find(role), std::string::npos);
    EXPECT_EQ(text.find("Kq7-typed"), std::string::npos);
    {
        Archive archive;
        EXPECT_EQ(archive.Open(keeper.location()), Archive::State::Ready) << archive.detail();
        EXPECT_EQ(archive.notice(), 0) << archive.detail();
        EXPECT_FALSE(archive.offline());
    }
    qunsetenv("PGPASSFILE");
    (void)ForgetServerPassword(entry);
    (void)db.run("DROP OWNED BY " + role + "; DROP ROLE " + role);
}

// The Server… dialog as it opens: answers itself once the keyring told what it holds.
struct DialogSeen {
    QString note, placeholder;
    bool noteShown = false, passwordEnabled = true;
    QString keys;  // the Alt keys of the captions that lead to a field
};
DialogSeen OpenServerDialog(const QString& current, const QString& typed,
                            std::optional<ServerAnswer>& answer) {
    const ServerQuestion question{"Team archive", "Address:", "Password:", "KEPT", "NO KEYRING"};
    DialogSeen seen;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* note = dialog->findChild<QLabel*>("KeyringNote");
        auto* password = dialog->findChild<QLineEdit*>("ServerPassword");
        // The keyring's answer arrives beside the dialog, within its time-out.
        for (int k = 0; k < 300 && !note->property("keyringAnswered").toBool(); ++k)
            QTest::qWait(20);
        seen = {note->text(), password->placeholderText(), note->isVisible(),
                password->isEnabled(), {}};
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy()) seen.keys += MnemonicOf(label->text());
        password->setText(typed);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QWidget parent;
    parent.resize(800, 600);
    answer = AskServerAddress(&parent, question, current);
    return seen;
}

TEST(serverPassword, TheDialogSaysWhenAPasswordIsKeptAndTakesANewOne) {
    NEEDS_KEYRING();
    const QString url = "postgresql://tech" + QString::number(getpid()) + "@db.example.com/zv318";
    const std::string entry = PasswordEntry(ParseServerAddress(url.toStdString()));
    for (const bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "a password kept" : "none kept");
        (void)ForgetServerPassword(entry);
        if (kept) {
            ASSERT_EQ(KeepServerPassword(entry, "old").outcome, KeyringAnswer::Done);
        }
        std::optional<ServerAnswer> answer;
        const DialogSeen seen = OpenServerDialog(url, "new one", answer);
        EXPECT_FALSE(seen.noteShown);
        EXPECT_TRUE(seen.passwordEnabled);
        EXPECT_EQ(seen.placeholder, kept ? "KEPT" : "");
        ASSERT_EQ(seen.keys.size(), 2) << "a key for the address and for the password";
        EXPECT_NE(seen.keys.at(0), seen.keys.at(1));
        EXPECT_FALSE(seen.keys.at(0).isNull());
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->address, url);
        EXPECT_EQ(answer->password, "new one");
    }
    (void)ForgetServerPassword(entry);
}

// Its own process (each test runs alone): no Secret Service before the first keyring call.
TEST(serverPassword, WithoutAKeyringTheDialogSaysHowToUsePgpass) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus);
    std::optional<ServerAnswer> answer;
    const DialogSeen seen = OpenServerDialog("postgresql://tech1@db.example.com/zv318", "", answer);
    EXPECT_TRUE(seen.noteShown);
    EXPECT_EQ(seen.note, "NO KEYRING");
    EXPECT_FALSE(seen.passwordEnabled);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->password, "");
}

}  // namespace
}  // namespace zv318::testing

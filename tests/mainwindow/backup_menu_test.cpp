// The main window's "Back up instrument…" and "Restore plans…": a folder chosen through the
// Feedback, the backup and the restore run as one command, the list showing the plans back.
#include <QListWidget>

#include "backup/manifest.h"
#include "main_window_fixture.h"

namespace zv318::testing {
namespace {

// Notes whether the window ran a command when the procedure asked for its folder.
class FolderFeedback : public RecordingFeedback {
public:
    std::optional<std::string> chooseFile(const FileRequest& request) override {
        busyWhenAsked.push_back(form && form->busy());
        return RecordingFeedback::chooseFile(request);
    }
    TForm1* form = nullptr;
    std::vector<bool> busyWhenAsked;
};

using mainwindowBackup = MainWindowTest;

TEST_F(mainwindowBackup, BacksUpIntoTheChosenFolderAndRestoresThePlansIntoTheList) {
    Start();
    FolderFeedback chooser;
    chooser.form = form.get();
    form->setFeedback(&chooser);
    EXPECT_EQ(form->Copiadeseguridad1->text(), Entry(1095));
    EXPECT_EQ(form->Restaurarplanes1->text(), Entry(1096));

    const std::filesystem::path dir = folder / "backups";
    chooser.files = {dir.string()};
    form->Copiadeseguridad1->trigger();
    ASSERT_EQ(chooser.fileRequests.size(), 1u);
    EXPECT_EQ(chooser.fileRequests[0].kind, FileRequest::BackupFolder);
    std::vector<std::filesystem::path> made;
    for (const auto& e : std::filesystem::directory_iterator(dir)) made.push_back(e.path());
    ASSERT_EQ(made.size(), 1u);
    const std::optional<Manifest> manifest = ParseManifest(ReadFile(made[0] / kManifestName));
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->instrument.serial, instrument.serial);

    const std::vector<sim::Plan> radio = instrument.plans(sim::kRadio);
    instrument.plans(sim::kRadio).clear();
    chooser.files = {made[0].string()};
    form->Restaurarplanes1->trigger();
    EXPECT_EQ(chooser.fileRequests.back().kind, FileRequest::RestoreFolder);
    ASSERT_EQ(instrument.plans(sim::kRadio).size(), radio.size());
    for (std::size_t k = 0; k < radio.size(); ++k)
        EXPECT_EQ(instrument.plans(sim::kRadio)[k].name, radio[k].name);
    EXPECT_EQ(form->ChannelPlan->Llista->count(), 5);
    EXPECT_EQ(form->ChannelPlan->Llista->item(0)->text(), QStringLiteral("TV1 (RADIO)"));
    // Both ran as commands of the window, which was free again afterwards.
    EXPECT_EQ(chooser.busyWhenAsked, (std::vector<bool>{true, true}));
    EXPECT_FALSE(form->busy());
}

}  // namespace
}  // namespace zv318::testing

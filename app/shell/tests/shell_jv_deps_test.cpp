// Layer Dependencies on a real JV/XP bank: performances whose parts play user
// and card patches, made with the JV/XP plug-in and opened in the program, list
// the same pairs in the dialog as `tonalith-cli deps --json` prints for the file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRadioButton>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "BankView.h"
#include "CopyBox.h"
#include "File.h"
#include "FileX.h"
#include "Layer.h"
#include "LayerDependenciesDlg.h"
#include "MainFrame.h"
#include "Parameters.h"
#include "Patch.h"
#include "ShellTestSupport.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"

#ifdef TONALITH_CLI_PATH

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

QStringList Lines(const QListWidget& list) {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i) lines << list.item(i)->text();
    return lines;
}

QStringList Texts(const Json& list) {
    QStringList out;
    for (const Json& t : list) out << QString::fromStdString(t.get<std::string>());
    return out;
}

struct CliResult {
    int exitCode = -1;
    std::string out, err;
};

CliResult Cli(const QStringList& arguments) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TONALITH_PLUGIN_PATH", REAL_PLUGIN_DIR);
    cli.setProcessEnvironment(env);
    cli.start(TONALITH_CLI_PATH, arguments);
    if (!cli.waitForFinished(90000)) return {};
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString(), cli.readAllStandardError().toStdString()};
}

int LayerNamed(const CSynthMemory& memory, const std::string& name) {
    for (int l = 0; l < memory.GetLayerCount(); ++l)
        if (memory.GetLayer(l).GetName() == name) return l;
    return -1;
}

std::unique_ptr<CSynthMemory> LoadWithPlugin(const fs::path& file) {
    CMemFile bytes(CFileX::Read(file.string()), file.string());
    auto memory = CSynthMemoryFactory::Get().CreateMatchingMemory(bytes);
    if (memory) memory->Load(bytes);
    return memory;
}

// Part (0-based) of a performance plays patch number of group id (1 user, 2 card).
void PlayPatch(CPatch& performance, int part, int groupId, int number) {
    const CParameterTable* table = performance.GetParameterTable();
    ASSERT_NE(table, nullptr);
    const std::string prefix = "part" + std::to_string(part + 1) + ".";
    const CParameter* type = table->Find(prefix + "group.type");
    const CParameter* id = table->Find(prefix + "group.id");
    const CParameter* patch = table->Find(prefix + "patch");
    ASSERT_TRUE(type && id && patch) << prefix;
    table->SetValue(performance, *type, 0);  // internal
    table->SetValue(performance, *id, groupId);
    table->SetValue(performance, *patch, number);
}

class ShellJvDepsTest : public CShellFixture {
protected:
    void SetUp() override {
        CShellFixture::SetUp();
        UseRealPlugins();
    }

    // A new JV/XP bank as `tonalith-cli new` writes it, its user patches from the
    // field (else named here), and three user performances that use them.
    fs::path MakeBank() {
        const fs::path dir = tonalith::test::TempDir();
        const fs::path fresh = dir / "new.syx";
        const CliResult made = Cli({"new", "--synth", "Roland JV", "-o", QString::fromStdString(fresh.string())});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        std::unique_ptr<CSynthMemory> memory = LoadWithPlugin(fresh);
        if (!memory || memory->IsGeneric()) return {};
        const int userPatch = LayerNamed(*memory, "User Patch");
        const int userPerformance = LayerNamed(*memory, "User Performance");
        EXPECT_GE(userPatch, 0);
        EXPECT_GE(userPerformance, 0);
        if (userPatch < 0 || userPerformance < 0) return {};
        CLayer& patches = memory->GetLayer(userPatch);

        std::unique_ptr<CSynthMemory> field;
        if (const auto data = tonalith::test::FieldDataDir();
            data && fs::exists(*data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx"))
            field = LoadWithPlugin(*data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
        for (int i = 0; i < patches.GetPatchCount(); ++i) {
            if (field) {
                patches.SetPatch(i, *field->GetLayer(userPatch).GetPatch(i));
            } else {
                auto patch = patches.GetPatch(i)->Clone();
                patch->SetName("Made " + std::to_string(i + 1));
                patches.SetPatch(i, *patch);
            }
        }
        m_names = {patches.GetPatch(5)->GetName(), patches.GetPatch(127)->GetName()};

        // Performance 1: parts 1 and 3 play user patch 6, part 2 user patch 1.
        // Performance 2: part 1 user patch 1, part 2 card patch 4.
        // Performance 3: part 4 user patch 128.
        CLayer& performances = memory->GetLayer(userPerformance);
        const auto edit = [&](int index, auto&& change) {
            auto performance = performances.GetPatch(index)->Clone();
            change(*performance);
            performances.SetPatch(index, *performance);
        };
        edit(0, [](CPatch& p) {
            PlayPatch(p, 0, 1, 5);
            PlayPatch(p, 1, 1, 0);
            PlayPatch(p, 2, 1, 5);
        });
        edit(1, [](CPatch& p) {
            PlayPatch(p, 0, 1, 0);
            PlayPatch(p, 1, 2, 3);
        });
        edit(2, [](CPatch& p) { PlayPatch(p, 3, 1, 127); });
        m_performanceLabels = {performances.GetPatchLabel(0), performances.GetPatchLabel(2)};

        const fs::path bank = dir / "jv-performances.syx";
        CTonalithDoc doc;
        doc.SetMemory(std::move(memory));
        EXPECT_TRUE(doc.OnSaveDocument(bank.string()));
        return bank;
    }

    std::vector<std::string> m_names, m_performanceLabels;
};

// Every layer, both directions, every other layer the dialog offers: the left
// list and, row by row, the right list equal what `deps --json` prints.
TEST_F(ShellJvDepsTest, DialogListsTheSamePairsAsTheCommandLineForARealBankWithPerformances) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    const fs::path bank = MakeBank();
    if (bank.empty()) GTEST_SKIP() << "the JV/XP plug-in is not built in " << REAL_PLUGIN_DIR;
    QMdiSubWindow* window = frame.OpenDocumentFile(bank.string());
    ASSERT_NE(window, nullptr);
    const CSynthMemory& memory = *qobject_cast<CTonalithView*>(window->widget())->GetDocument().GetMemory();
    ASSERT_FALSE(memory.IsGeneric());
    const int userPatch = LayerNamed(memory, "User Patch");
    ASSERT_GE(userPatch, 0);

    int compared = 0;
    for (int layer = 0; layer < memory.GetLayerCount(); ++layer) {
        const CLayer& chosen = memory.GetLayer(layer);
        if (chosen.GetChildLayerCount() == 0 && chosen.GetParentLayerCount() == 0) continue;
        const CliResult deps =
            Cli({"deps", QString::fromStdString(bank.string()), "--layer", QString::number(layer), "--json"});
        ASSERT_EQ(deps.exitCode, 0) << deps.err;
        const Json json = Json::parse(deps.out);
        CLayerDependenciesDlg dialog(memory, layer);

        dialog.ReferencedFromButton().click();
        ASSERT_EQ(dialog.OtherLayerCombo().count(), static_cast<int>(json["referenced_from"].size()))
            << chosen.GetName();
        for (int c = 0; c < dialog.OtherLayerCombo().count(); ++c) {
            const Json& child = json["referenced_from"].at(static_cast<std::size_t>(c));
            dialog.OtherLayerCombo().setCurrentIndex(c);
            EXPECT_EQ(dialog.OtherLayerCombo().currentText().toStdString(), child["child_layer"].get<std::string>());
            int row = 0;
            for (const auto& [label, used] : child["patches"].items()) {
                ASSERT_LT(row, dialog.PatchList().count());
                EXPECT_EQ(dialog.PatchList().item(row)->text().toStdString(), label);
                dialog.PatchList().setCurrentRow(row++);
                EXPECT_EQ(Lines(dialog.DetailList()), Texts(used)) << chosen.GetName() << " / " << label;
            }
            EXPECT_EQ(row, dialog.PatchList().count());
            ++compared;
        }

        dialog.ReferenceButton().click();
        ASSERT_EQ(dialog.OtherLayerCombo().count(), static_cast<int>(json["references"].size())) << chosen.GetName();
        for (int p = 0; p < dialog.OtherLayerCombo().count(); ++p) {
            const Json& parent = json["references"].at(static_cast<std::size_t>(p));
            dialog.OtherLayerCombo().setCurrentIndex(p);
            EXPECT_EQ(dialog.OtherLayerCombo().currentText().toStdString(), parent["parent_layer"].get<std::string>());
            EXPECT_EQ(Lines(dialog.PatchList()), Texts(parent["lines"])) << chosen.GetName();
            int row = 0;
            for (const auto& [label, users] : parent["used_by"].items()) {
                ASSERT_LT(row, dialog.PatchList().count());
                dialog.PatchList().setCurrentRow(row++);
                EXPECT_EQ(Lines(dialog.DetailList()), Texts(users)) << chosen.GetName() << " / " << label;
            }
            ++compared;

            // The pairs are the ones the performances were given.
            if (layer != userPatch || parent["parent_layer"] != "User Performance") continue;
            const auto usersOf = [&](const std::string& start) {
                for (const auto& [label, list] : parent["used_by"].items())
                    if (label.rfind(start, 0) == 0) return Texts(list);
                return QStringList();
            };
            const QString first = QString::fromStdString(m_performanceLabels[0]);
            EXPECT_EQ(usersOf("6: " + m_names[0]).count(first), 2);
            EXPECT_TRUE(usersOf("128: " + m_names[1]).contains(QString::fromStdString(m_performanceLabels[1])));
        }
    }
    // Patches and performances of both areas, rhythm sets: each offers its links.
    EXPECT_GE(compared, 12);
}

}  // namespace

#endif

// Writes the starting inputs of every fuzz target into <out>/<target>/: files
// made here by the models themselves (valid by construction, so mutations start
// deep inside each format) and, when the field data folder is present, copies of
// its files of the matching kinds. Field files are copied at run time only: their
// licences do not let them live in the repository.
//
//   tonalith-fuzz-seeds OUT_DIR [FIELD_DATA_DIR]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "ContainerItem.h"
#include "ControllerDocument.h"
#include "File.h"
#include "FlintkitWave.h"
#include "FuzzSupport.h"
#include "ItemData.h"
#include "Layer.h"
#include "Library.h"
#include "LibraryFile.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path g_out;

void Put(const char* target, const std::string& name, std::span<const std::uint8_t> bytes) {
    const fs::path dir = g_out / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
void Put(const char* target, const std::string& name, std::string_view text) {
    Put(target, name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Safe(std::string name) {
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// Every layer of every memory, as that memory saves it.
void SyxSeeds() {
    auto& factory = CSynthMemoryFactory::Get();
    for (int i = 0; i < factory.GetCount(); ++i) {
        auto memory = factory.GetMemory(i).CreateMemory();
        for (int l = 0; l < memory->GetLayerCount(); ++l) {
            CMemFile out;
            memory->GetLayer(l).Save(out);
            if (out.GetLength() == 0 || out.GetLength() > (256u << 10)) continue;
            Put("syx_factory", Safe(memory->GetName()) + "-" + std::to_string(l) + ".syx", out.Data());
        }
    }
}

// One library entry per patch type of every plug-in, as a file and as a drag payload.
void LibrarySeeds() {
    CLibrary library;
    for (const CPatch* patch : CSynthMemoryFactory::Get().GetPatchTemplates()) library.Add(*patch);
    CMemFile file;
    LibraryFile::Write(file, library);
    Put("library_file", "templates.clb", file.Data());
    std::vector<const CLibraryPatch*> entries;
    for (int i = 0; i < library.GetSize(); ++i) {
        entries.push_back(&library.Get(i));
        const CLibraryPatch* one = &library.Get(i);
        Put("library_payload", "entry-" + std::to_string(i) + ".bin", LibraryFile::WritePayload({&one, 1}));
        CLibrary single;
        single.Add(*library.GetPatch(i));
        CMemFile singleFile;
        LibraryFile::Write(singleFile, single);
        Put("library_file", "entry-" + std::to_string(i) + ".clb", singleFile.Data());
    }
    Put("library_payload", "all.bin", LibraryFile::WritePayload(entries));
}

template <typename T, typename Setup>
std::unique_ptr<CContainerItem> Item(CRect rect, Setup setup) {
    auto data = std::make_unique<T>();
    setup(*data);
    return std::make_unique<CContainerItem>(rect, std::move(data));
}

void FormSeeds() {
    CControllerDocument empty;
    Put("controller_form", "empty.cof", empty.SaveToBytes());

    CControllerDocument doc;
    doc.InsertItem(0, Item<CGroupItemData>({5, 6, 300, 200}, [](CGroupItemData& d) { d.m_strText = "Filter"; }));
    doc.InsertItem(1, Item<CKnobItemData>({10, 20, 60, 70}, [](CKnobItemData& d) {
                       d.m_nController = 74, d.m_strMessage = "BK TT XX", d.m_nMinimum = -20, d.m_nMaximum = 100;
                   }));
    doc.InsertItem(2, Item<CSliderItemData>({-4, 0, 56, 250}, [](CSliderItemData& d) {
                       d.m_strMessage = "F0 41 10 42 12 40 00 XX SS F7", d.m_nEncoding = 1;
                   }));
    doc.InsertItem(3, Item<CButtonItemData>({70, 20, 120, 70}, [](CButtonItemData& d) {
                       d.m_strMessage = "9K 3C XX", d.m_strCaption = "Hold";
                   }));
    doc.InsertItem(4, Item<CRadioItemData>({130, 20, 230, 44}, [](CRadioItemData& d) {
                       d.m_strMessage = "CK XX", d.m_strTexts = "Saw\r\nSquare\r\n", d.m_strValues = "0\r\n1\r\n";
                   }));
    doc.SetInfo("Ann Author", "ann@example.org", "Filter panel");
    Put("controller_form", "every-item.cof", doc.SaveToBytes());
}

void WaveSeeds() {
    flintkit::CWaveSample wave;
    wave.rate = 22050;
    for (int i = 0; i < 200; ++i) wave.samples.push_back(static_cast<std::int16_t>((i * 997) % 65536 - 32768));
    const fs::path dir = g_out / "wav_import";
    fs::create_directories(dir);
    flintkit::WriteWave((dir / "plain.wav").string(), wave);
    wave.loop = flintkit::CWaveLoop{0, 20, 180};
    flintkit::WriteWave((dir / "loop.wav").string(), wave);
    wave.loop = flintkit::CWaveLoop{1, 0, 199};
    flintkit::WriteWave((dir / "alternating.wav").string(), wave);
}

Bytes Chunk(const char* id, const Bytes& body) {
    Bytes out(id, id + 4);
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(body.size() >> s));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

void SmfSeeds() {
    const Bytes notes = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                         0x00, 0xC0, 0x05,  // program
                         0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00,  // running status
                         0x00, 0xF0, 0x05, 0x41, 0x10, 0x42, 0x12, 0xF7,  // SysEx
                         0x10, 0xF7, 0x02, 0xF8, 0xFA,  // escape
                         0x81, 0x00, 0xB0, 0x07, 0x7F, 0x00, 0xE0, 0x00, 0x40,  // long delta
                         0x00, 0xFF, 0x01, 0x03, 'a',  'b',  'c',  0x00, 0xFF, 0x2F, 0x00};
    const Bytes header0 = {0x00, 0x00, 0x00, 0x01, 0x00, 0x60};
    Bytes format0 = Chunk("MThd", header0);
    const Bytes track = Chunk("MTrk", notes);
    format0.insert(format0.end(), track.begin(), track.end());
    Put("smf_parser", "format0.mid", format0);

    Bytes format1 = Chunk("MThd", {0x00, 0x01, 0x00, 0x02, 0xE7, 0x28});  // SMPTE division
    format1.insert(format1.end(), track.begin(), track.end());
    const Bytes second = Chunk("MTrk", {0x00, 0x91, 0x40, 0x40, 0x83, 0x60, 0x80, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    format1.insert(format1.end(), second.begin(), second.end());
    Put("smf_parser", "format1.mid", format1);
    Put("midi_stream", "from-smf.bin", notes);
}

void TextSeeds() {
    Put("ini_reader", "settings.ini",
        "\xEF\xBB\xBF; settings\r\n[SETUP]\r\nPath=/home/user/patches\r\nDevices = 3\r\nHex=1\r\n\r\n"
        "[Window]\nMain0=2,10,20,800,600\n[SETUP]\nLate=yes\n");
    Put("string_to_hex", "dt1.txt",
        "\x01"
        "F0 41 10 42 12 40 00 7F 00 SS F7");
    Put("string_to_hex", "plain.txt",
        std::string_view("\x00"
                         "F04110 42 12 40 00 7F 00 41 F7\t90 3C 64",
                         39));
    Put("string_to_hex", "two.txt",
        "\x01"
        "F0 41 10 6A 12 03 00 00 10 7F SS F7 F0 41 10 6A 12 10 00 SS F7");
    const Bytes stream = {0x05, 0xF0, 0x41, 0x10, 0x6A, 0x12, 0x01, 0xF8, 0x02, 0x03, 0x7A, 0xF7, 0x90,
                          0x3C, 0x64, 0x3E, 0x64, 0xFE, 0xB0, 0x07, 0xF0, 0x42, 0x30, 0xC0, 0x05, 0xF0,
                          0x7E, 0xF7, 0xF1, 0x11, 0xF2, 0x01, 0x02, 0xF6, 0xE0, 0x00, 0x40};
    Put("midi_stream", "mixed.bin", stream);
}

// Field files of the kinds each target reads.
void FieldSeeds(const fs::path& field) {
    std::error_code ec;
    if (field.empty() || !fs::is_directory(field, ec)) return;
    for (const auto& entry : fs::recursive_directory_iterator(field, ec)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::vector<const char*> targets;
        if (ext == ".syx") targets = {"syx_factory", "midi_stream"};
        else if (ext == ".mid") targets = {"smf_parser", "midi_stream"};
        else if (ext == ".wav") targets = {"wav_import"};
        for (const char* target : targets) {
            fs::create_directories(g_out / target / "field");
            fs::copy_file(entry.path(), g_out / target / "field" / entry.path().filename(),
                          fs::copy_options::overwrite_existing, ec);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR [FIELD_DATA_DIR]\n", argv[0]);
        return 2;
    }
    g_out = argv[1];
    const char* env = std::getenv("TONALITH_FIELD_DATA");
    const fs::path field = argc > 2      ? fs::path(argv[2])
                           : env && *env ? fs::path(env)
                                         : fs::path(TONALITH_FIELD_DATA_DEFAULT);
    try {
        tonalith::fuzz::LoadPlugins();
        SyxSeeds();
        LibrarySeeds();
        FormSeeds();
        WaveSeeds();
        SmfSeeds();
        TextSeeds();
        FieldSeeds(field);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonalith-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    CSynthMemoryFactory::Delete();
    return 0;
}

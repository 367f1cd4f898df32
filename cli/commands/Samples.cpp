// Sample conversions: a WAV file (any PCM or float format, any channels) to a sample dump of 8 to 28 bits and back,
// with the sample dump plug-in's own conversion functions.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include <tonalith/File.h>

#include "CliSupport.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"

namespace cli {
namespace {

void WavToSds(const std::string& in, const std::string& out, int number, int device,
              flintkit::CWaveImportChoice choice) {
    RefuseSameFile(in, "the WAV file", out, "a sample dump");
    flintkit::RegisterWaveTexts();
    const SeekableInput input(in);  // a WAV file's chunks are found by seeking
    std::unique_ptr<CFlintkitSamplePatch> patch;
    try {
        patch = flintkit::ImportWave(input.Path(), device, choice);
    } catch (const flintkit::CWaveException& e) {
        throw Failure(input.Named(e.what()));
    }
    if (!patch || patch->IsEmpty()) throw Failure("\"" + in + "\": no samples to convert");
    patch->SetSampleNumber(number);
    SaveBytes(out, patch->GetSysExData(false));
    std::cout << patch->GetLength() << " samples at " << patch->GetRate() << " Hz, " << patch->GetFormat() << " bit\n";
}

void SdsToWav(const std::string& in, const std::string& out) {
    RefuseSameFile(in, "the sample dump", out, "a WAV file");
    flintkit::RegisterWaveTexts();
    CMemFile file(ReadBytes(in), in);
    CFlintkitSamplePatch patch;
    try {
        patch.Load(file);
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }
    if (patch.IsEmpty()) throw Failure("\"" + in + "\": no sample dump at the start of the file");
    // The WAV writer renames its file into place; made in a private folder and then
    // saved here, the output may be standard output, a FIFO or a link, and stays one.
    const ScratchFolder scratch;
    const std::string wave = (scratch.Path() / "sample.wav").string();
    try {
        flintkit::ExportWave(patch, wave);
    } catch (const flintkit::CWaveException& e) {
        throw Failure(ReplaceAll(e.what(), wave, out));
    }
    SaveBytes(out, ReadBytes(wave));
    std::cout << patch.GetLength() << " samples at " << patch.GetRate() << " Hz\n";
}

}  // namespace

void AddSampleCommands(CLI::App& app) {
    struct Options {
        std::string in, out, channel = "mix";
        int number = 0, device = 0, bits = 16;
    };
    auto o = std::make_shared<Options>();
    auto* wav2sds = app.add_subcommand("wav2sds", "Turn a WAV file into a sample dump");
    wav2sds->add_option("IN", o->in, "The WAV file")->required();
    wav2sds->add_option("OUT", o->out, "The SysEx file to write")->required();
    wav2sds->add_option("--number", o->number, "Sample number in the dump (0 to 16383)")->check(CLI::Range(0, 16383));
    wav2sds->add_option("--device", o->device, "Device ID (channel) of the dump, 0 to 127")->check(CLI::Range(0, 127));
    wav2sds->add_option("--channel", o->channel, "Of a multi-channel file: left, right or mix (the mean)")
        ->check(CLI::IsMember({"left", "right", "mix"}));
    wav2sds->add_option("--bits", o->bits, "Bits per sample of the dump, 8 to 28 (default 16)")
        ->check(CLI::Range(flintkit::kMinFormatBits, flintkit::kMaxFormatBits));
    wav2sds->callback([o] {
        WavToSds(o->in, o->out, o->number, o->device,
                 flintkit::CWaveImportChoice{*flintkit::ParseWaveChannel(o->channel), o->bits});
    });

    auto* sds2wav = app.add_subcommand("sds2wav", "Turn a sample dump into a mono WAV file at its depth");
    sds2wav->add_option("IN", o->in, "The SysEx file with the sample dump")->required();
    sds2wav->add_option("OUT", o->out, "The WAV file to write")->required();
    sds2wav->callback([o] { SdsToWav(o->in, o->out); });
}

}  // namespace cli

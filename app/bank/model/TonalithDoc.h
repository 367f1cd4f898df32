#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Document.h"

class CSynthMemory;
class CSynthMemoryFactory;

// A bank: one synth memory read from and written to a .syx file. Recognising and
// writing the SysEx is the memory's and its layers' work.
class CTonalithDoc : public CDocument {
public:
    static constexpr const char* kSaveFilter = "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||";

    CTonalithDoc();
    ~CTonalithDoc() override;

    // The factory indexes "Choose The Synth Memory" offers: every memory but the generic one.
    static std::vector<int> ChoosableMemories(const CSynthMemoryFactory& factory);

    // A new, empty bank of the factory memory at index.
    bool OnNewDocument(const CSynthMemoryFactory& factory, int memoryIndex);
    // Reads path into the memory of the plug-in that recognises it, or into the
    // generic memory. Failures are reported naming the file; false leaves no memory.
    // A WAV file is no SysEx: the user is asked whether to import it (see ImportFile).
    bool OnOpenDocument(const std::string& path);
    // Makes a new, untitled bank of the memory whose tool imports files of this
    // kind (GetImportExtension), after asking the user, by running that tool's
    // import on path. The file itself is never the bank's file, so Save asks
    // for one. False when declined, cancelled or unreadable (said, naming the
    // file, by the tool), or when no plug-in imports such files.
    bool ImportFile(const std::string& path, const std::string& extension, const std::string& kind);
    // Writes the bank atomically: a bank opened from a file writes the layers the
    // file held and those changed since, then the messages no layer read; a new or
    // adopted (received) bank writes every layer. On success the path is set and
    // the modified flag cleared; on failure both stay as they were and the old
    // file is untouched.
    bool OnSaveDocument(const std::string& path);
    // Writes the listed layers (the whole bank as OnSaveDocument does when none),
    // asking for a file when path is empty. False when cancelled or the write failed.
    bool SaveLayers(const std::optional<std::vector<int>>& layers, std::string path);
    bool SaveLayer(int index, const std::string& path);

    CSynthMemory* GetMemory() const { return m_memory.get(); }
    // Adopts a memory (tests, and documents made from received data).
    void SetMemory(std::unique_ptr<CSynthMemory> memory);

    // Called before the document closes (MIDI file playback stops here).
    static void SetBeforeClose(void (*hook)()) { s_beforeClose = hook; }
    void OnCloseDocument();

private:
    std::unique_ptr<CSynthMemory> m_memory;
    bool m_fileShape = false;  // opened from a file: saving keeps what the file held
    static void (*s_beforeClose)();
};

// The text Copy To Clipboard puts on the clipboard: "%02X " per byte, "\r\n"
// after every 16th.
std::string BuildHexText(const std::vector<std::uint8_t>& bytes);

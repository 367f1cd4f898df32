#pragma once

#include <string>

#include "SynthTool.h"

// "&Import Wave...": a WAV file replaces the sample (undoable when the view's
// command manager is given); the installed editors ask for the channel and depth.
class CFlintkitImportWaveTool : public CSynthTool {
public:
    using CSynthTool::CSynthTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Import Wave..."; }
    std::string GetImportExtension() const override { return "wav"; }
    bool Import(const std::string& path, const CToolContext& context) override;
};

// "&Export As Wave...": writes the sample as a mono WAV file at its depth.
class CFlintkitExportWaveTool : public CSynthTool {
public:
    using CSynthTool::CSynthTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Export As Wave..."; }
};

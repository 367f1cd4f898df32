#pragma once

#include <string>

#include "SynthTool.h"

// "&Import Wave...": a 16-bit mono WAV file replaces the sample (undoable when
// the view's command manager is given).
class CFlintkitImportWaveTool : public CSynthTool {
public:
    using CSynthTool::CSynthTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Import Wave..."; }
};

// "&Export As Wave...": writes the sample as a 16-bit mono WAV file.
class CFlintkitExportWaveTool : public CSynthTool {
public:
    using CSynthTool::CSynthTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Export As Wave..."; }
};

#include "utilities/ui/product_table.h"

#include <array>

#include "utilities/ui/product_panel.h"

// Every link names this program as where the visitor came from (src=utilm).
const char* const kGeneralDownloadPage = "https://www.marovelle.example/download/?src=utilm";
const char* const kGeneralPurchasePage = "https://www.marovelle.example/store/?src=utilm";
const char* const kGeneralProductsPage = "https://www.marovelle.example/products/?src=utilm";
const char* const kMakerKey = "Software\\Marovelle";
const char* const kAffiliateValueFormat = "BuyAffiliate-%d";

namespace {

// Codes 1 and 2 share one installer for the maker's audio tools.
constexpr const char* kAudioToolsInstaller =
    "https://downloads.marovelle.example/audiotools/install?src=utilm";

const std::array<TProductRow, 5> kProducts{{
    {kProductAudioEditor, true, "Software\\Marovelle\\AudioEditor", "AudioEditorDir",
     kAudioToolsInstaller, "https://www.marovelle.example/audioeditor/download?src=utilm",
     "https://www.marovelle.example/audioeditor/buy?src=utilm",
     "https://www.marovelle.example/audioeditor/?src=utilm", 103, "USGB_AudioEditorCaption",
     "USGB_AudioEditorDescription"},
    {kProductSoundRecorder, false, "Software\\Marovelle\\SoundRecorder", "SoundRecorderDir",
     kAudioToolsInstaller, "https://www.marovelle.example/soundrecorder/download?src=utilm",
     "https://www.marovelle.example/soundrecorder/buy?src=utilm",
     "https://www.marovelle.example/soundrecorder/?src=utilm", 102, "USGB_SoundRecorderCaption",
     "USGB_SoundRecorderDescription"},
    {kProductSongsmith, false, "Software\\Marovelle\\Songsmith", "SongsmithDir",
     "https://downloads.marovelle.example/songsmith/install?src=utilm",
     "https://www.marovelle.example/songsmith/download?src=utilm",
     "https://www.marovelle.example/songsmith/buy?src=utilm",
     "https://www.marovelle.example/songsmith/?src=utilm", 101, "USGB_SongsmithCaption",
     "USGB_SongsmithDescription"},
    {kProductBundle, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 104,
     "USGB_BundleCaption", "USGB_BundleDescription"},
    {kProductLabelDesigner, false, "Software\\Marovelle\\LabelDesigner", "LabelDesignerDir",
     nullptr, "https://www.marovelle.example/labeldesigner/download?src=utilm",
     "https://www.marovelle.example/labeldesigner/buy?src=utilm",
     "https://www.marovelle.example/labeldesigner/?src=utilm", 105, "USGB_LabelDesignerCaption",
     "USGB_LabelDesignerDescription"},
}};

}  // namespace

const TProductRow* FindProductRow(int code) {
    for (const TProductRow& row : kProducts) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

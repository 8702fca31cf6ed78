#include "res/Templates.h"

#include "res/Resource.h"
#include "tasks/Settings.h"

#include <algorithm>

using K = ControlKind;

const DialogTemplate& AboutBoxTemplate() {
    static const DialogTemplate t{
        IDD_ABOUTBOX,
        "About Ostrela",
        "MS Sans Serif",
        8,
        270,
        113,
        {
            {IDC_STATIC, K::StaticLeft, "Ostrela Sela", 39, 14, 118, 8},
            {IDC_STATIC, K::StaticLeft, "Made by the Ostrela team. Free to share.", 14, 98, 169, 8},
            {IDC_OK, K::DefPushButton, "OK", 199, 68, 56, 27},
            {IDC_STATIC, K::StaticLeft, "Version: " OSTRELA_VERSION, 187, 14, 74, 10},
            {IDC_STATIC, K::StaticLeft, "This program is a freeware", 38, 34, 136, 10},
            {IDC_STATIC, K::SunkenLine, "", 7, 51, 256, 1},
            {IDC_STATIC, K::GroupBox, "See also", 11, 57, 177, 34},
            {IDC_TAMSEL_LINK, K::StaticCenter, "Tamsel", 14, 72, 77, 8},
            {IDC_BREVIK_LINK, K::StaticCenter, "Corvane", 97, 71, 78, 10},
            {IDC_STATIC, K::Icon, "", 9, 12, 20, 20},
        }};
    return t;
}

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate t{
        IDD_OSTRELA_DIALOG,
        "Ostrela ( Sela )",
        "Verdana",
        7,
        415,
        253, // one row below the designed 231 for the more formats
        {
            {IDC_TASK_LIST, K::ListView, "", 2, 4, 333, 107},
            {IDC_ADD_FILES, K::DefPushButton, " Add Files", 350, 8, 57, 22},
            {IDC_DELETE_FILE, K::PushButton, "Delete File", 350, 45, 57, 22},
            {IDC_MOVIE_CLIP, K::PushButton, "Movie Clip", 350, 86, 57, 22},
            {IDC_CONVERT, K::PushButton, "", 342, 131, 68, 68},
            {IDC_OUTPUT_PATH, K::Edit, "", 17, 197, 244, 13},
            {IDC_BROWSE, K::PushButton, "Browse", 273, 191, 58, 21},
            {IDC_TO_MP3, K::AutoRadio, "To MP3", 17, 123, 43, 15},
            {IDC_TO_WAV, K::AutoRadio, "To WAV", 99, 123, 43, 15},
            {IDC_TO_AC3, K::AutoRadio, "To AC3", 181, 123, 43, 15},
            {IDC_KEEP_ORIGINAL, K::AutoRadio, "Keep Original", 263, 123, 62, 15},
            // In the group of the four above; its list comes last in the tab order.
            {IDC_MORE_FORMATS, K::AutoRadio, "More Formats", 17, 219, 62, 15},
            {IDC_STATIC, K::StaticLeft, "Output Path", 17, 180, 121, 9},
            {IDC_STATIC, K::StaticLeft, "Audio Bitrate", 17, 147, 56, 9},
            {IDC_AUDIO_BITRATE,
             K::DropList,
             "",
             17,
             161,
             78,
             94,
             true,
             nullptr,
             {kBitrateItems.begin(), kBitrateItems.end()}},
            {IDC_STATIC, K::StaticLeft, "Audio SampleRate", 147, 147, 67, 9},
            {IDC_STATIC, K::StaticLeft, "Channel", 269, 147, 37, 9},
            {IDC_SAMPLE_RATE,
             K::DropList,
             "",
             147,
             161,
             84,
             107,
             true,
             nullptr,
             {kSampleRateItems.begin(), kSampleRateItems.end()}},
            {IDC_CHANNEL,
             K::DropList,
             "",
             269,
             161,
             63,
             121,
             true,
             nullptr,
             {kChannelItems.begin(), kChannelItems.end()}},
            {IDC_STATIC, K::GroupBox, "Output Options", 5, 113, 331, 127},
            {IDC_STATIC, K::StaticLeft, "kbps", 99, 163, 17, 9},
            {IDC_STATIC, K::SunkenLine, "", 9, 141, 325, 1},
            {IDC_FORMAT_LIST,
             K::DropList,
             "",
             99,
             219,
             78,
             60,
             true,
             nullptr,
             {kMoreFormatItems.begin(), kMoreFormatItems.end()}},
        },
        {{IDC_TASK_LIST, "Tasks"},
         {IDC_OUTPUT_PATH, "Output Path"},
         {IDC_AUDIO_BITRATE, "Audio Bitrate"},
         {IDC_SAMPLE_RATE, "Audio SampleRate"},
         {IDC_CHANNEL, "Channel"},
         {IDC_FORMAT_LIST, "More Formats"}}};
    return t;
}

const DialogTemplate& ClipDialogTemplate() {
    static const DialogTemplate t{
        IDD_CLIP_DIALOG,
        "Select the Movie Clip",
        "Verdana",
        8,
        231,
        113,
        {
            {IDC_OK, K::DefPushButton, "OK", 128, 94, 44, 17},
            {IDC_CANCEL, K::PushButton, "Cancel", 178, 94, 40, 17},
            {IDC_RANGE_SLIDER, K::Custom, "", 15, 19, 203, 12, true, "MFCRangeSlider"},
            {IDC_START_TEXT, K::StaticCenter, "", 22, 69, 47, 11},
            {IDC_END_TEXT, K::StaticCenter, "", 92, 69, 47, 11},
            {IDC_STATIC, K::GroupBox, "Please use the slide bar below to change the times ", 11, 6,
             211, 47},
            {IDC_TITLE_LINE, K::StaticLeft, "", 18, 37, 199, 10},
            {IDC_STATIC, K::GroupBox, "Start Point", 17, 57, 58, 29},
            {IDC_STATIC, K::GroupBox, "End Point", 86, 57, 58, 29},
            {IDC_STATIC, K::GroupBox, "Clip Time", 157, 57, 58, 29},
            {IDC_LENGTH_TEXT, K::StaticCenter, "", 162, 69, 47, 11},
        },
        {{IDC_RANGE_SLIDER, "Clip"}}};
    return t;
}

const DialogTemplate& ClipDialogWithTrackTemplate() {
    static const DialogTemplate t = [] {
        constexpr int kLine = 20; // the height the track line adds
        DialogTemplate tmpl = ClipDialogTemplate();
        tmpl.cy += kLine;
        std::vector<ControlTemplate> controls;
        for (ControlTemplate c : tmpl.controls) {
            if (c.id == IDC_OK || c.id == IDC_CANCEL)
                c.y += kLine;
            controls.push_back(c);
            // Next in the tab order after the slider.
            if (c.id == IDC_RANGE_SLIDER)
                controls.push_back({IDC_SOUND_TRACK, K::DropList, "", 66, 94, 152, 80});
        }
        controls.push_back({IDC_STATIC, K::StaticLeft, "Sound Track", 17, 96, 47, 9});
        tmpl.controls = std::move(controls);
        tmpl.names.push_back({IDC_SOUND_TRACK, "Sound Track"});
        return tmpl;
    }();
    return t;
}

const DialogTemplate& ClipDialogWithChaptersTemplate(bool withTrack) {
    const auto make = [](const DialogTemplate& base) {
        constexpr int kLine = 16; // the height the chapter line adds
        DialogTemplate tmpl = base;
        const int y = tmpl.cy - 19; // where the buttons were
        tmpl.cy += kLine;
        const bool hasTrack =
            std::any_of(base.controls.begin(), base.controls.end(),
                        [](const ControlTemplate& c) { return c.id == IDC_SOUND_TRACK; });
        const int after = hasTrack ? IDC_SOUND_TRACK : IDC_RANGE_SLIDER;
        std::vector<ControlTemplate> controls;
        for (ControlTemplate c : tmpl.controls) {
            if (c.id == IDC_OK || c.id == IDC_CANCEL)
                c.y += kLine;
            controls.push_back(c);
            // Next in the tab order after the slider, or after the track list.
            if (c.id == after)
                controls.push_back(
                    {IDC_SPLIT_CHAPTERS, K::AutoCheckBox, "One File per Chapter", 17, y, 150, 10});
        }
        tmpl.controls = std::move(controls);
        return tmpl;
    };
    static const DialogTemplate plain = make(ClipDialogTemplate());
    static const DialogTemplate track = make(ClipDialogWithTrackTemplate());
    return withTrack ? track : plain;
}

const DialogTemplate& StatusDialogTemplate() {
    static const DialogTemplate t{
        IDD_STATUS_DIALOG,
        "Converting ...",
        "MS Sans Serif",
        8,
        309,
        105,
        {
            {IDC_CURRENT_TEXT, K::StaticLeft, "Current", 17, 7, 279, 10},
            {IDC_TASK_BAR, K::Progress, "", 17, 26, 279, 11},
            {IDC_TOTAL_TEXT, K::StaticLeft, "Total", 17, 49, 277, 9},
            {IDC_TOTAL_BAR, K::Progress, "", 17, 63, 278, 11},
            {IDC_TIME_LEFT, K::StaticLeft, "", 17, 88, 210, 9},
            {IDC_STOP, K::PushButton, "STOP", 235, 80, 58, 22},
            {IDC_OK, K::DefPushButton, "OK", 69, 78, 55, 21, false},
            {IDC_CANCEL, K::PushButton, "Cancel", 17, 80, 50, 18, false},
            {IDC_STATUS_FRAME, K::BlackFrame, "", 151, 84, 12, 10, false},
        },
        {{IDC_TASK_BAR, "Current Task"}, {IDC_TOTAL_BAR, "Total Progress"}}};
    return t;
}

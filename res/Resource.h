#pragma once
// Control, command, template and picture identifiers of the program's windows.

// Templates and resources
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_OSTRELA_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr int IDR_MENU = 131;
constexpr int IDD_CLIP_DIALOG = 132;
constexpr int IDD_STATUS_DIALOG = 133;
constexpr int IDB_TASK_IMAGES = 136;

// Main window (template 102)
constexpr int IDC_TASK_LIST = 1000;
constexpr int IDC_ADD_FILES = 1001;
constexpr int IDC_DELETE_FILE = 1004;
constexpr int IDC_MOVIE_CLIP = 1005;
constexpr int IDC_TO_MP3 = 1007;
constexpr int IDC_TO_WAV = 1008;
constexpr int IDC_TO_AC3 = 1009;
constexpr int IDC_KEEP_ORIGINAL = 1010;
constexpr int IDC_CONVERT = 1019;
constexpr int IDC_CHANNEL = 1025;
constexpr int IDC_OUTPUT_PATH = 1046;
constexpr int IDC_BROWSE = 1047;
constexpr int IDC_AUDIO_BITRATE = 1065;
constexpr int IDC_SAMPLE_RATE = 1066;
constexpr int IDC_MORE_FORMATS = 1071; // the fifth format radio, for the format list's choice
constexpr int IDC_FORMAT_LIST = 1072;  // FLAC, Opus, AAC, Vorbis

// Clip dialog (template 132)
constexpr int IDC_RANGE_SLIDER = 1013;
constexpr int IDC_START_TEXT = 1014;
constexpr int IDC_END_TEXT = 1015;
constexpr int IDC_TITLE_LINE = 1017;
constexpr int IDC_LENGTH_TEXT = 1018;
constexpr int IDC_SOUND_TRACK = 1011;    // only for a file with several sound tracks
constexpr int IDC_SPLIT_CHAPTERS = 1073; // only for a file with chapters

// Conversion dialog (template 133)
constexpr int IDC_TASK_BAR = 1020;
constexpr int IDC_TOTAL_BAR = 1021;
constexpr int IDC_STOP = 1036;
constexpr int IDC_CURRENT_TEXT = 1058;
constexpr int IDC_TOTAL_TEXT = 1059;
constexpr int IDC_STATUS_FRAME = 1064;
constexpr int IDC_TIME_LEFT = 1070; // the time left for the whole conversion

// About box (template 100)
constexpr int IDC_TAMSEL_LINK = 1037;
constexpr int IDC_BREVIK_LINK = 1038;

// Menu commands (menu 131) and commands without a menu item
constexpr int ID_SYSTEM_EXIT = 32771;
constexpr int ID_OPERATION_ADD_FILES = 32773;
constexpr int ID_OPERATION_DELETE_FILE = 32774;
constexpr int ID_OPERATION_MOVIE_CLIP = 32775;
constexpr int ID_HELP_CONTENTS = 32782;
constexpr int ID_SYSTEM_WEBSITE = 32785;
constexpr int ID_SYSTEM_ABOUT = 32786;
constexpr int ID_SYSTEM_RESTORE_DEFAULTS = 32791;
constexpr int ID_OPERATION_DELETE_ALL = 32792;
constexpr int ID_WEB_PAGE_FIRST = 32793; // 32793 to 32798: the maker's pages
constexpr int ID_WEB_PAGE_LAST = 32798;
constexpr int ID_TAMSEL_TRY = 32799;
constexpr int ID_OPERATION_SIMULTANEOUS = 32800;  // "Convert Several Files at Once"
constexpr int ID_OPERATION_ADD_COVER = 32801;     // "Add Cover Picture"
constexpr int ID_OPERATION_EVEN_LOUDNESS = 32802; // "Even Out Loudness"
constexpr int ID_OPERATION_ADD_FOLDER = 32803;    // "Add Folder...", last of the menu

// System command of the "&About Ostrela..." item
constexpr int IDM_ABOUTBOX = 0x0010;

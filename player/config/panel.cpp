#include "config/panel.h"

#include "config/mcf_setup.h"
#include "config/registry.h"
#include "diagnostics/log.h"
#include "engine/playback.h"
#include "resource.h"

#include <commctrl.h>
#include <stdio.h>

PanelSettings panelSettings;
int bPanelAccepted;

namespace {

bool ValidOutput(int32_t v) { return IsSettingValue(Setting::Output, v); }
bool ValidCoding(int32_t v) { return IsSettingValue(Setting::Coding, v); }
bool ValidEyes(int32_t v) { return IsSettingValue(Setting::Eyes, v); }
bool ValidMethod(int32_t v) { return IsSettingValue(Setting::Method, v); }

// The panel's value of a setting.
int32_t PanelValue(Setting setting)
{
    switch (setting) {
    case Setting::Output: return panelSettings.OutputFormat;
    case Setting::Coding: return panelSettings.StereoCodingFormat;
    case Setting::Eyes: return panelSettings.EyeCodingFormat;
    case Setting::Method: return panelSettings.VideomemoryMethod;
    }
    return 0;
}

void CheckWorkingValues(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_STRENGTH, TBM_SETRANGE, TRUE, MAKELPARAM(STRENGTH_MIN, STRENGTH_MAX));
    SendDlgItemMessageA(dialog, IDC_STRENGTH, TBM_SETPOS, TRUE, panelSettings.StrenghtOf2Dto3DEffect);
    // Each value's radio button has the value's number as its id. A value that
    // is none of its setting's (0 on a fresh player) leaves every button of the
    // group unchecked.
    for (const SettingValue &value : SETTING_VALUES)
        CheckDlgButton(dialog, value.number, value.number == PanelValue(value.setting) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_LAYOUT_FROM_NAME, panelSettings.layoutFromName ? BST_CHECKED : BST_UNCHECKED);
}

void ClosePanel(HWND dialog, const char *text, int accepted)
{
    LogMessage(text);
    EndDialog(dialog, accepted);
    bPanelAccepted = accepted;
}

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_PAINT: CheckWorkingValues(dialog); return FALSE;
    case WM_MOVE: RestoreSurface(); return FALSE;
    case WM_HSCROLL:
        LogMessage("WM_HCROLL\n");
        panelSettings.StrenghtOf2Dto3DEffect = (int32_t)SendDlgItemMessageA(dialog, IDC_STRENGTH, TBM_GETPOS, 0, 0);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDC_PANEL_OK)
            ClosePanel(dialog, "Configuration Executed with OK\n", 1);
        else if (id == IDC_PANEL_CANCEL)
            ClosePanel(dialog, "Configuration Executed with Cancel\n", 0);
        else if (id == IDC_PANEL_SAVE)
            SaveConfiguration(dialog);
        else if (ValidOutput(id))
            panelSettings.OutputFormat = id;
        else if (ValidCoding(id))
            panelSettings.StereoCodingFormat = id;
        else if (ValidEyes(id))
            panelSettings.EyeCodingFormat = id;
        else if (ValidMethod(id))
            panelSettings.VideomemoryMethod = id;
        else if (id == IDC_LAYOUT_FROM_NAME)
            panelSettings.layoutFromName = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
        else
            ClosePanel(dialog, "Configuration Executed with Unknowen command\n", 0);
        return TRUE;
    }
    }
    (void)lParam;
    return FALSE;
}

// The open movie is prepared again for the new method, then put back where the
// user had it: the same frame, the same transport state, the window's size.
void ReopenForNewMethod(MovieRecord &movie)
{
    const MovieState before = movie.state;
    const int64_t shownTime = movie.StreamTime;
    RECT window = {};
    const bool sized = ghWnd && GetWindowRect(ghWnd, &window);
    movie.state = Uninitialized;
    StartRendering();
    if (movie.state == Uninitialized)
        return; // StartRendering reported why
    if (sized)
        SetWindowPos(ghWnd, NULL, 0, 0, window.right - window.left, window.bottom - window.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // As the slider does: run from the time shown, draw that frame, pause.
    movie.StreamTime = shownTime;
    movie.state = Paused;
    Play();
    RenderNextFrame();
    Pause();
    if (before == Playing)
        Play();
    else if (before == Stopped)
        movie.state = Stopped;
    LogMessage("Movie prepared again at the frame it showed\n");
}

} // namespace

void SaveConfiguration(HWND owner)
{
    const struct {
        const char *key;
        const char *name;
        int32_t value;
        const char *failure;
        bool valid;
        // clang-format off
    } writes[] = {
        {szKey1, "StereoCodingFormat", panelSettings.StereoCodingFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, movie.StereoCodingFormat)  failed with HRESULT(0x%8.8X)\n",
         ValidCoding(panelSettings.StereoCodingFormat)},
        {szKey1, "EyeCodingFormat", panelSettings.EyeCodingFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, movie.EyeCodingFormat)  failed with HRESULT(0x%8.8X)\n",
         ValidEyes(panelSettings.EyeCodingFormat)},
        {szKey2, "OutputFormat", panelSettings.OutputFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,output.OutputFormat)  failed with HRESULT(0x%8.8X)\n",
         ValidOutput(panelSettings.OutputFormat)},
        {szKey2, "VideomemoryMethod", panelSettings.VideomemoryMethod,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL,output.VideomemoryMethod)  failed with HRESULT(0x%8.8X)\n",
         ValidMethod(panelSettings.VideomemoryMethod)},
        {szKey2, "StrenghtOf2Dto3DEffect", panelSettings.StrenghtOf2Dto3DEffect,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, output.StrenghtOf2Dto3DEffect)  failed with HRESULT(0x%8.8X)\n",
         true},
    };
    // clang-format on
    bool allStored = true;
    for (const auto &write : writes) {
        if (!write.valid)
            continue; // a group shown with nothing checked keeps its stored value
        int result = RegistryWrite(HKEY_CURRENT_USER, write.key, write.name, NULL, write.value);
        if (result != 0) {
            LogFormat(write.failure, (unsigned)result);
            allStored = false;
        }
    }
    if (!SaveLayoutFromNameSetting(panelSettings.layoutFromName != 0)) {
        LogMessage("RegistryWrite(HKEY_CURRENT_USER,szKey2,\"LayoutFromFileName\") failed\n");
        allStored = false;
    }
    LogMessage("Configuration Changes Saved to Registry \n");
    // The user takes Save to keep the settings: one box for the whole Save when
    // they are not kept, or only until log-off (a volatile key takes the values
    // but forgets them).
    HWND boxOwner = owner ? owner : ghWnd;
    if (!allStored) {
        LogMessage("Warning !! The settings could not be saved to the registry\n");
        ShowMessageBox(boxOwner, "Couldn't save the settings", "Error", MB_OK);
        return;
    }
    const char *const keys[] = {szKey1, szKey2};
    for (const char *key : keys) {
        if (!RegistryKeyIsVolatile(HKEY_CURRENT_USER, key))
            continue;
        LogFormat("Warning !! Registry key HKEY_CURRENT_USER\\%s is volatile: the settings are lost when the user "
                  "logs off\n",
                  key);
        ShowMessageBox(boxOwner, "The settings are kept only until you log off", "Error", MB_OK);
        return;
    }
}

void ApplyConfigurationPanel(MovieRecord &movie, OutputRecord &output)
{
    if (bPanelAccepted != 1) {
        LogMessage("Cofiguration change was canceled\n");
        return;
    }
    LogMessage("We will change the configuration\n");
    SetLayoutFromNameEnabled(panelSettings.layoutFromName != 0);
    // A group shown with nothing checked keeps the record's value.
    if (ValidOutput(panelSettings.OutputFormat))
        output.OutputFormat = (OutputFormat)panelSettings.OutputFormat;
    output.StrenghtOf2Dto3DEffect = panelSettings.StrenghtOf2Dto3DEffect;
    if (ValidCoding(panelSettings.StereoCodingFormat))
        movie.StereoCodingFormat = (StereoCodingFormat)panelSettings.StereoCodingFormat;
    if (ValidEyes(panelSettings.EyeCodingFormat))
        movie.EyeCodingFormat = (EyeCodingFormat)panelSettings.EyeCodingFormat;
    if (ValidMethod(panelSettings.VideomemoryMethod) && panelSettings.VideomemoryMethod != output.VideomemoryMethod) {
        output.VideomemoryMethod = (VideomemoryMethod)panelSettings.VideomemoryMethod;
        if (movie.state != Uninitialized)
            ReopenForNewMethod(movie);
    }
}

void RunConfigurationPanel(HINSTANCE instance, HWND owner, MovieRecord &movie, OutputRecord &output, StateRecord &state)
{
    panelSettings.OutputFormat = output.OutputFormat;
    panelSettings.VideomemoryMethod = output.VideomemoryMethod;
    panelSettings.StrenghtOf2Dto3DEffect = output.StrenghtOf2Dto3DEffect;
    panelSettings.StereoCodingFormat = movie.StereoCodingFormat;
    panelSettings.EyeCodingFormat = movie.EyeCodingFormat;
    panelSettings.layoutFromName = LayoutFromNameEnabled() ? 1 : 0;
    bPanelAccepted = 0;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIGURATION), owner, PanelProc, 0);
    RestoreSurface();
    ApplyConfigurationPanel(movie, output);
    (void)state;
}

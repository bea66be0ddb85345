#include "config/panel.h"

#include "config/registry.h"
#include "diagnostics/log.h"
#include "engine/playback.h"
#include "resource.h"

#include <commctrl.h>
#include <stdio.h>

PanelSettings panelSettings;
int bPanelAccepted;

namespace {

void CheckWorkingValues(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_STRENGTH, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendDlgItemMessageA(dialog, IDC_STRENGTH, TBM_SETPOS, TRUE, panelSettings.StrenghtOf2Dto3DEffect);
    const struct {
        int first, last, value;
    } groups[] = {
        {1072, 1075, panelSettings.OutputFormat},
        {1076, 1079, panelSettings.StereoCodingFormat},
        {1080, 1081, panelSettings.EyeCodingFormat},
        {1082, 1083, panelSettings.VideomemoryMethod},
        {OUTPUT_3D_TO_2D_SECOND, OUTPUT_ABOVE_BELOW_HALF, panelSettings.OutputFormat},
        {VIDEOMEMORY_METHOD3, VIDEOMEMORY_METHOD3, panelSettings.VideomemoryMethod},
        {HALF_LR, HALF_AB, panelSettings.StereoCodingFormat},
    };
    for (const auto &group : groups) {
        // A value outside the group leaves every button of it unchecked.
        for (int id = group.first; id <= group.last; id++)
            CheckDlgButton(dialog, id, id == group.value ? BST_CHECKED : BST_UNCHECKED);
    }
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
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        CheckWorkingValues(dialog);
        return FALSE;
    case WM_MOVE:
        RestoreSurface();
        return FALSE;
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
            SaveConfiguration();
        else if ((id >= OUTPUT_NO_STEREO && id <= OUTPUT_3D_TO_2D) || ProcessorOnlyOutput(id))
            panelSettings.OutputFormat = id;
        else if ((id >= SHIFTED_AB && id <= PURE_INTERLACED) || id == HALF_LR || id == HALF_AB)
            panelSettings.StereoCodingFormat = id;
        else if (id == LEFT_TOP || id == RIGHT_TOP)
            panelSettings.EyeCodingFormat = id;
        else if (id == VIDEOMEMORY_METHOD1 || id == VIDEOMEMORY_METHOD2 || id == VIDEOMEMORY_METHOD3)
            panelSettings.VideomemoryMethod = id;
        else
            ClosePanel(dialog, "Configuration Executed with Unknowen command\n", 0);
        return TRUE;
    }
    }
    (void)lParam;
    return FALSE;
}

} // namespace

void SaveConfiguration()
{
    const struct {
        const char *key;
        const char *name;
        int32_t value;
        const char *failure;
    } writes[] = {
        {szKey1, "StereoCodingFormat", panelSettings.StereoCodingFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, movie.StereoCodingFormat)  failed with HRESULT(0x%8.8X)\n"},
        {szKey1, "EyeCodingFormat", panelSettings.EyeCodingFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, movie.EyeCodingFormat)  failed with HRESULT(0x%8.8X)\n"},
        {szKey2, "OutputFormat", panelSettings.OutputFormat,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,output.OutputFormat)  failed with HRESULT(0x%8.8X)\n"},
        {szKey2, "VideomemoryMethod", panelSettings.VideomemoryMethod,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL,output.VideomemoryMethod)  failed with HRESULT(0x%8.8X)\n"},
        {szKey2, "StrenghtOf2Dto3DEffect", panelSettings.StrenghtOf2Dto3DEffect,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, output.StrenghtOf2Dto3DEffect)  failed with HRESULT(0x%8.8X)\n"},
    };
    for (const auto &write : writes) {
        int result = RegistryWrite(HKEY_LOCAL_MACHINE, write.key, write.name, NULL, write.value);
        if (result != 0)
            LogFormat(write.failure, (unsigned)result);
    }
    LogMessage("Configuration Changes Saved to Registry \n");
}

void ApplyConfigurationPanel(MovieRecord &movie, OutputRecord &output)
{
    if (bPanelAccepted != 1) {
        LogMessage("Cofiguration change was canceled\n");
        return;
    }
    LogMessage("We will change the configuration\n");
    output.OutputFormat = (OutputFormat)panelSettings.OutputFormat;
    output.StrenghtOf2Dto3DEffect = panelSettings.StrenghtOf2Dto3DEffect;
    movie.StereoCodingFormat = (StereoCodingFormat)panelSettings.StereoCodingFormat;
    movie.EyeCodingFormat = (EyeCodingFormat)panelSettings.EyeCodingFormat;
    if (panelSettings.VideomemoryMethod != output.VideomemoryMethod) {
        output.VideomemoryMethod = (VideomemoryMethod)panelSettings.VideomemoryMethod;
        if (movie.state != Uninitialized) {
            movie.state = Uninitialized;
            StartRendering();
        }
    }
}

void RunConfigurationPanel(HINSTANCE instance, HWND owner, MovieRecord &movie, OutputRecord &output,
                           StateRecord &state)
{
    panelSettings.OutputFormat = output.OutputFormat;
    panelSettings.VideomemoryMethod = output.VideomemoryMethod;
    panelSettings.StrenghtOf2Dto3DEffect = output.StrenghtOf2Dto3DEffect;
    panelSettings.StereoCodingFormat = movie.StereoCodingFormat;
    panelSettings.EyeCodingFormat = movie.EyeCodingFormat;
    bPanelAccepted = 0;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIGURATION), owner, PanelProc, 0);
    RestoreSurface();
    ApplyConfigurationPanel(movie, output);
    (void)state;
}

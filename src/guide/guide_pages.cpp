#include "guide/guide_pages.h"

#include "app/ids.h"

namespace orlant {

namespace {

// A text that depends on something other than the step.
enum class Branch {
    Fixed,
    Page1Prompt,      // by LineState
    Page3Speed,       // by the slower-speed hint and the image chosen
    Page4Heading,     // by the image chosen
    Page4Ready,       // by LineState: ready texts or "Please wait ..."
    Page4Instruction,
    Page4Prompt,
    Page5Transfer,    // by the image chosen
    Page6Transfer,
    DownloadPrompt,
    Page8Restart,
    Page8Prompt,
};

struct Text {
    const char* fixed;
    Branch branch = Branch::Fixed;
};

enum class Enable { Untouched, On, Off, WhenNoUnit, WhenUnitReady };
enum class Show { Untouched, Shown, Hidden };

struct ButtonRow {
    const char* caption;  // null: untouched
    Enable enable;
    Show show;
};

struct PageRow {
    Text heading, text1, text2, prompt;
    ButtonRow back, next;
    Show portButtons;
    int picture1, picture2;
};

const PageRow pages[8] = {
    {{"STEP 1 - Connecting the Serial Cable"},
     {"Turn the %s power switch to the OFF position."},
     {"Connect a serial cable between the %s and a serial port on your PC.  Refer to the %s "
      "user's manual for more information on the cable requirements."},
     {nullptr, Branch::Page1Prompt},
     {"Back", Enable::Off, Show::Untouched},
     {"Next", Enable::WhenNoUnit, Show::Untouched},
     Show::Shown, 199, 201},
    {{"STEP 2 - Readying the %s"},
     {"Press and hold the \"C\" key on the %s keypad."},
     {"While holding the \"C\" key, turn the %s power switch to the ON position.  Wait 2 seconds "
      "and release the \"C\" key."},
     {"When the %s's Bootloader menu appears, press NEXT."},
     {"Back", Enable::On, Show::Untouched},
     {"Next", Enable::On, Show::Untouched},
     Show::Hidden, 202, 200},
    {{"STEP 3 - Preparing the %s for Download"},
     {nullptr, Branch::Page3Speed},
     {"Refer to the menu on the %s display.  Check the version of the bootloader.  If it is not "
      "v1.1.0 or greater then you need to download the bootloader before downloading the "
      "software."},
     {"Select \"Bootloader\", or \"Software\"."},
     {"Bootloader", Enable::On, Show::Shown},
     {"Software", Enable::On, Show::Shown},
     Show::Untouched, 205, 204},
    {{nullptr, Branch::Page4Heading},
     {nullptr, Branch::Page4Ready},
     {nullptr, Branch::Page4Instruction},
     {nullptr, Branch::Page4Prompt},
     {"57 600", Enable::WhenUnitReady, Show::Shown},
     {"115 200", Enable::WhenUnitReady, Show::Shown},
     Show::Untouched, 204, 0},
    {{"Download in Progress (57 600)"},
     {nullptr, Branch::Page5Transfer},
     {""},
     {nullptr, Branch::DownloadPrompt},
     {nullptr, Enable::Off, Show::Untouched},
     {nullptr, Enable::Off, Show::Untouched},
     Show::Untouched, 206, 0},
    {{"Download in Progress (115 200)"},
     {nullptr, Branch::Page6Transfer},
     {""},
     {nullptr, Branch::DownloadPrompt},
     {nullptr, Enable::Off, Show::Untouched},
     {nullptr, Enable::Off, Show::Untouched},
     Show::Untouched, 206, 0},
    {{""},
     {"Please wait while the readout finishes receiving the data."},
     {""},
     {""},
     {nullptr, Enable::Off, Show::Hidden},
     {nullptr, Enable::Off, Show::Hidden},
     Show::Untouched, 208, 0},
    {{"Download Complete"},
     {"Please verify that the number of data bytes transmitted (%ld) matches the number of bytes "
      "received by the %s.  The %s shows the number in parenthesis at the bottom of the display."},
     {nullptr, Branch::Page8Restart},
     {nullptr, Branch::Page8Prompt},
     {"Back", Enable::On, Show::Shown},
     {nullptr, Enable::Off, Show::Hidden},
     Show::Untouched, 208, 197},
};

const char* branchText(Branch branch, const GuideState& guide, LineState line) {
    bool boot = guide.bootloaderChosen == 1;
    bool ready = line == LINE_UNIT_READY;
    switch (branch) {
    case Branch::Fixed: return "";
    case Branch::Page1Prompt:
        return line == LINE_PORT_CLOSED ? "The COM port is not open.  Select the correct port below."
               : ready                  ? "The %s must be OFF to proceed."
                                        : "When the cable is connected, press NEXT";
    case Branch::Page3Speed:
        return guide.lowerSpeedHint == 1 && !boot
                   ? "If the download failed at 115 200, use the slower 57 600 transfer speed."
                   : "On the %s select 115 200 for the download speed by pressing the numeric key "
                     "associated with the menu option.";
    case Branch::Page4Heading:
        return boot ? "STEP 4 - Downloading the Bootloader" : "STEP 4 - Downloading the Software";
    case Branch::Page4Ready:
        return ready ? "The %s is ready to receive the download." : "Please wait ...";
    case Branch::Page4Instruction:
        return ready ? "Start the download by clicking the button below which matches the %s's "
                       "download speed."
                     : "";
    case Branch::Page4Prompt: return ready ? "Select the download speed." : "";
    case Branch::Page5Transfer:
        return boot ? "The %s bootloader is being transferred.  This operation takes up to 1 minute "
                      "to complete."
                    : "The %s software is being transferred.  This operation takes up to ? minutes "
                      "to complete.";
    case Branch::Page6Transfer:
        return boot ? "The %s bootloader is being transferred.  This operation takes up to 30 "
                      "seconds to complete."
                    : "The %s software is being transferred.  This operation takes up to 7 minutes "
                      "to complete.";
    case Branch::DownloadPrompt:
        return boot ? "Downloading bootloader, please wait . . . "
                    : "Downloading software, please wait . . . ";
    case Branch::Page8Restart:
        return boot ? "Press the ENTER key on the %s to restart the unit and install the bootloader."
                    : "Press the ENTER key on the %s to restart the unit.";
    case Branch::Page8Prompt:
        return boot ? "Press BACK to load the software." : "Press CLOSE to exit this program.";
    }
    return "";
}

// Puts the product name in place of every "%s" and the size in place of
// "%ld"; nothing else in a page text is a format.
std::string fill(const char* text, int32_t size) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += PRODUCT_NAME;
            p += 1;
        } else if (p[0] == '%' && p[1] == 'l' && p[2] == 'd') {
            out += std::to_string(size);
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string resolve(const Text& text, const GuideState& guide, LineState line, int32_t size) {
    const char* raw = text.branch == Branch::Fixed ? text.fixed : branchText(text.branch, guide, line);
    return fill(raw, size);
}

GuideButton resolve(const ButtonRow& row, LineState line) {
    GuideButton button;
    if (row.caption != nullptr) button.caption = row.caption;
    switch (row.enable) {
    case Enable::Untouched: break;
    case Enable::On: button.enabled = true; break;
    case Enable::Off: button.enabled = false; break;
    case Enable::WhenNoUnit: button.enabled = line == LINE_NO_UNIT; break;
    case Enable::WhenUnitReady: button.enabled = line == LINE_UNIT_READY; break;
    }
    if (row.show != Show::Untouched) button.shown = row.show == Show::Shown;
    return button;
}

void apply(Window& window, int id, const GuideButton& button) {
    if (button.caption) window.setText(id, *button.caption);
    if (button.enabled) window.setEnabled(id, *button.enabled);
    if (button.shown) window.setShown(id, *button.shown);
}

}  // namespace

std::optional<GuidePage> GuidePageFor(const GuideState& guide, LineState line,
                                      int32_t reportedImageSize) {
    if (guide.step < STEP_CONNECT_CABLE || guide.step > STEP_COMPLETE) return std::nullopt;
    const PageRow& row = pages[guide.step - 1];
    GuidePage page;
    page.heading = resolve(row.heading, guide, line, reportedImageSize);
    page.text1 = resolve(row.text1, guide, line, reportedImageSize);
    page.text2 = resolve(row.text2, guide, line, reportedImageSize);
    page.prompt = resolve(row.prompt, guide, line, reportedImageSize);
    page.back = resolve(row.back, line);
    page.next = resolve(row.next, line);
    if (row.portButtons != Show::Untouched) page.portButtons = row.portButtons == Show::Shown;
    page.picture1 = row.picture1;
    page.picture2 = row.picture2;
    return page;
}

void PaintGuidePage(Window& window, AppState& state) {
    if (state.guide.step == STEP_DOWNLOAD_57600 || state.guide.step == STEP_DOWNLOAD_115200) {
        state.guide.lowerSpeedHint = 0;
    }
    auto page = GuidePageFor(state.guide, state.lineState, state.reportedImageSize);
    if (!page) return;
    window.setText(ID_HEADING, page->heading);
    window.setText(ID_TEXT1, page->text1);
    window.setText(ID_TEXT2, page->text2);
    window.setText(ID_PROMPT, page->prompt);
    apply(window, ID_BACK, page->back);
    apply(window, ID_NEXT, page->next);
    if (page->portButtons) {
        for (int id : {ID_COM1, ID_COM2, ID_COM3, ID_COM4}) {
            window.setEnabled(id, *page->portButtons);
            window.setShown(id, *page->portButtons);
        }
    }
    window.showPicture(1, page->picture1);
    window.showPicture(2, page->picture2);
}

}  // namespace orlant

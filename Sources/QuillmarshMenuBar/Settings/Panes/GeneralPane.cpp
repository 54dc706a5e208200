#include "Settings/Panes/GeneralPane.h"

#include "Model/AppModel.h"

#include <string>

namespace quillmarsh {

namespace {

using Page = PageDescription;
using Setting = PaneCommand::Setting;

Page::Switch settingSwitch(Setting setting, bool on) {
    return Page::Switch{on, true, {PaneCommand::SetSetting{setting, true}}, {PaneCommand::SetSetting{setting, false}}};
}

} // namespace

GeneralPane::Inputs GeneralPane::inputs(const AppModel& model) {
    Inputs in;
    in.installed = model.canOpenAtLogin();
    in.openAtLogin = model.openAtLogin();
    in.showInMenuBar = model.showInMenuBar();
    in.notifyJobFails = model.notifyJobFails();
    in.notifyBreak = model.notifyBreak();
    in.notifyOffline = model.notifyOffline();
    in.notifyImage = model.notifyImage();
    return in;
}

PageDescription GeneralPane::describe(const Inputs& in, const PaneViewState&) {
    Page page;
    page.title = "General";

    auto app = Page::headedSection("App");
    // Outside the installed app there is no login item to switch: off and disabled.
    Page::Switch login{in.installed && in.openAtLogin, in.installed, {PaneCommand::SetOpenAtLogin{true}},
                       {PaneCommand::SetOpenAtLogin{false}}};
    app.rows.push_back(Page::fixedRow("Open at login",
                           in.installed ? std::nullopt : std::optional<std::string>("Available in the installed app."),
                           login));
    app.rows.push_back(Page::fixedRow("Show in menu bar",
                           in.showInMenuBar ? std::nullopt
                                            : std::optional<std::string>("Open Quillmarsh again to bring it back."),
                           settingSwitch(Setting::showInMenuBar, in.showInMenuBar)));
    page.blocks.push_back(std::move(app));

    auto notify = Page::headedSection("Notify me when");
    notify.rows.push_back(Page::fixedRow("A job fails", std::nullopt, settingSwitch(Setting::notifyJobFails, in.notifyJobFails)));
    notify.rows.push_back(Page::fixedRow("This Mac takes a break",
                              "Memory or heat. New jobs go to your other machines meanwhile.",
                              settingSwitch(Setting::notifyBreak, in.notifyBreak)));
    notify.rows.push_back(Page::fixedRow("A machine goes offline", "Any machine in your Fleet.",
                              settingSwitch(Setting::notifyOffline, in.notifyOffline)));
    notify.rows.push_back(Page::fixedRow("An image or update is ready", std::nullopt,
                              settingSwitch(Setting::notifyImage, in.notifyImage)));
    page.blocks.push_back(std::move(notify));
    return page;
}

} // namespace quillmarsh

#include "FirstRun/FirstRunPage.h"

#include "Words/MenuModel.h"

namespace quillmarsh {

FirstRunPage FirstRunPage::describe(const std::vector<LocalChecks::Check>& checks, bool laptop, std::string_view login,
                                    bool copied) {
    FirstRunPage page;
    for (const LocalChecks::Check& check : checks)
        page.checks.push_back({check.title, check.value, check.ok, check.ok ? "Ready" : "Not ready"});
    if (laptop) page.thisMacFooter = std::string(MenuModel::firstRunLaptopLine);

    const auto command = MenuModel::setupCommand(login);
    page.commandReady = command.has_value();
    page.command = command.value_or(std::string(MenuModel::setupCommandPlaceholder));
    page.copyEnabled = page.commandReady;
    page.copyTitle = copied ? "Copied" : "Copy";
    return page;
}

} // namespace quillmarsh

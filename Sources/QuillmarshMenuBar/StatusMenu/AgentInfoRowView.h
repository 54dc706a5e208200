#pragma once

#include <QWidget>

#include <array>
#include <string>
#include <vector>

namespace quillmarsh {

class ElidedLabel;

// The status menu's hidden "Agent" row: two small quiet lines about the agent (its version and
// last heartbeat, the VM slots in use), shown while Alt is held. Not clickable.
class AgentInfoRowView final : public QWidget {
    Q_OBJECT

public:
    explicit AgentInfoRowView(QWidget* parent = nullptr);

    // The first two lines; a missing line leaves its label empty. The row keeps room for two
    // lines, so its height does not change with them.
    void apply(const std::vector<std::string>& lines);
    QString line(int index) const;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutLines();

    std::array<ElidedLabel*, 2> lines_;
};

} // namespace quillmarsh

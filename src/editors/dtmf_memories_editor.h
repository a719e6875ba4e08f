#pragma once

#include "editor_window.h"
#include "token_entry.h"

class QListWidget;

namespace kovo {

// The DTMF memories editor (caption "DTMF Memories"): the controller's 20 DTMF memories, typed
// or picked digit by digit from the sixteen DTMF digits, and the duration and inter-digit delay
// of the tones the controller generates.
class DtmfMemoriesEditor : public EditorWindow {
    Q_OBJECT

public:
    DtmfMemoriesEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    TokenEntry& entry() { return *m_entry; }

protected:
    void boxChanged(Binding& binding) override;
    void fieldApplied(const Binding& binding) override;

private:
    QString refusal(QStringView digit) const;

    TokenEntry::Rules m_rules;
    std::unique_ptr<TokenEntry> m_entry;
    QListWidget* m_digits = nullptr;
};

} // namespace kovo

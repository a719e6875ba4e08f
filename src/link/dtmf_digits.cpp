#include "link/dtmf_digits.h"

namespace kovo {

bool dtmfCarries(const QStringList& codes) {
    for (const QString& code : codes) {
        if (!digitCodeTones(code))
            return false;
    }
    return true;
}

char digitCodeCharacter(const QString& code) {
    if (code.size() == 1) {
        const char c = code.at(0).toLatin1();
        for (const char* k = DtmfKeypad; *k; ++k) {
            if (*k == c)
                return c;
        }
        return '\0';
    }
    if (code.size() == 2 && code.at(0) == u'1') {
        switch (code.at(1).unicode()) {
        case u'1':
            return '*';
        case u'2':
            return '#';
        case u'3':
            return 'A';
        case u'4':
            return 'B';
        case u'5':
            return 'C';
        case u'6':
            return 'D';
        default:
            break;
        }
    }
    return '\0';
}

std::optional<DtmfTonePair> digitCodeTones(const QString& code) {
    const char c = digitCodeCharacter(code);
    if (c == '\0')
        return std::nullopt;
    for (int i = 0; i < 16; ++i) {
        if (DtmfKeypad[i] == c)
            return DtmfTonePair{DtmfLowGroup[i / 4], DtmfHighGroup[i % 4]};
    }
    return std::nullopt;
}

char dtmfCharacterForTones(int low, int high) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (DtmfLowGroup[row] == low && DtmfHighGroup[column] == high)
                return DtmfKeypad[row * 4 + column];
        }
    }
    return '\0';
}

} // namespace kovo

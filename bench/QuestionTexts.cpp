#include "bench/QuestionTexts.h"

#include <algorithm>
#include <string_view>

namespace {

// Some four hundred of the most frequent characters of written Chinese.
constexpr std::string_view commonCharacters =
    "的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会自着去之过家学对可她里后"
    "小么心多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头面公同三已老从动两长知"
    "民样现分将外但身些与高意进把法此实回二理美点月明其种声全工己话儿者向情部正名定女问力机给等几很业最间新"
    "什打便位因重被走电四第门相次东政海口使教西再平真听世气信北少关并内加化由却代军产入先山五太水万市眼体别"
    "处总才场师书比住员九笑性通目华报立马命张活难神数件安表原车白应路期叫死常提感金何更反合放做系计或司利受"
    "光王果亲界及今京务制解各任至清物台象记边共风战干接它许八特觉望直服毛林题建南度统色字请交爱让认算论百吃"
    "义科怎元社术结六功指思非流每青管夫连远资队跟带花快条院变联言权往展该领传近留红治决周保达办运武半候七必"
    "城父强步完革深区即求品士转量空甚众技轻程告江语英基派满式李息写呢识极令黄德收脸钱党倒未持取设始版双历越"
    "史商千片容研像找友孩站广改议形委早房音火际则首单据导影失拿网香似斯专石若兵弟谁校读志飞观争究包组造落视"
    "济喜离虽坏兴切推引示黑岁";

std::vector<std::string> splitCharacters(std::string_view text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        out.emplace_back(text.substr(i, length));
        i += length;
    }
    return out;
}

const char* const optionLetters[] = {"A", "B", "C", "D", "E", "F"};
const char* const pictureSources[] = {"a.jpg", "图1.png", "photo.jpg", "tu.gif", ".bmp"};

} // namespace

QuestionTexts::QuestionTexts(std::uint64_t seed) : state_(seed), pool_(splitCharacters(commonCharacters)) {}

// splitmix64: small, fast and the same on every compiler, unlike the standard distributions.
std::uint64_t QuestionTexts::draw() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int QuestionTexts::between(int low, int high) {
    return low + static_cast<int>(draw() % static_cast<std::uint64_t>(high - low + 1));
}

void QuestionTexts::appendChars(std::string& out, int count) {
    for (int i = 0; i < count; ++i)
        out += pool_[draw() % pool_.size()];
}

// Characters broken by commas every few words, closed by `ending`; `length` counts every character.
std::string QuestionTexts::stem(int length, const char* ending) {
    std::string out;
    int left = length - 1;
    while (left > 0) {
        const int phrase = std::min(left, between(6, 15));
        appendChars(out, phrase);
        left -= phrase;
        if (left > 1) {
            out += "，";
            --left;
        }
    }
    out += ending;
    return out;
}

GeneratedQuestion QuestionTexts::next() {
    GeneratedQuestion q;
    const int kind = between(0, 3); // half single choice, a quarter each true/false and multiple choice
    q.daanleixing = kind <= 1 ? 1 : kind == 2 ? 2 : 3;
    const int length = between(80, 120);

    if (q.daanleixing == 2) {
        q.ti_neirong = stem(length, "。");
        q.ti_daan = between(0, 1) ? 6 : 5;
    } else {
        const int options = q.daanleixing == 1 ? 4 : 6;
        std::string optionLine = "\n";
        int optionChars = 1;
        for (int i = 0; i < options; ++i) {
            const int word = between(2, 5);
            if (i > 0) {
                optionLine += "  ";
                optionChars += 2;
            }
            optionLine += optionLetters[i];
            optionLine += ". ";
            appendChars(optionLine, word);
            optionChars += 3 + word;
        }
        q.ti_neirong = stem(std::max(20, length - optionChars), "？") + optionLine;
        if (q.daanleixing == 1) {
            q.ti_daan = static_cast<std::uint32_t>(between(1, 4));
        } else {
            // A = 0x2 ... F = 0x40, at least one of them.
            q.ti_daan = static_cast<std::uint32_t>(between(1, 63)) << 1;
        }
    }

    q.jiexi = stem(between(20, 60), "。");
    if (between(0, 2) == 0)
        q.img = std::to_string(static_cast<std::uint32_t>(draw())) + pictureSources[between(0, 4)];
    return q;
}

// Shell scripts that play tunes with the beep command: "beep -f 440 -l 200 -n -f 494".
// Each beep line runs one or more tones; a sleep between them is a rest.
#include <cctype>
#include <cmath>
#include <vector>

#include "melody_import.h"
#include "source_text.h"

namespace {

struct Word {
    std::string text;  // with its quotes taken away
    std::size_t offset;
};

// One tone of beep with its repeats, as -n starts it afresh.
struct BeepNote {
    double frequency = 440;
    double length = 200;
    unsigned repeats = 1;
    double delay = 100;
    bool delayAfterLast = false;
};

constexpr double highestBeepFrequency = 20000;
constexpr double longestBeep = 300000;
constexpr unsigned mostRepeats = 1000;

bool endsCommand(char character) {
    return character == '\n' || character == ';' || character == '&' || character == '|';
}

// The words of one shell command from the position, up to ";", "&&", "|" or a line end.
std::vector<Word> commandWords(SourceText& source) {
    std::vector<Word> words;
    while (!atEnd(source)) {
        const char next = peek(source);
        if (next == '\\' && (peek(source, 1) == '\n' || (peek(source, 1) == '\r' && peek(source, 2) == '\n'))) {
            source.position += peek(source, 1) == '\n' ? 2 : 3;
            continue;
        }
        if (endsCommand(next)) {
            take(source);
            if (!words.empty()) break;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(next))) {
            take(source);
            continue;
        }
        if (next == '#') {
            while (!atEnd(source) && peek(source) != '\n') take(source);
            continue;
        }
        Word word{{}, source.position};
        while (!atEnd(source) && !std::isspace(static_cast<unsigned char>(peek(source))) &&
               !endsCommand(peek(source))) {
            const char character = take(source);
            if (character == '\'' || character == '"') {
                while (!atEnd(source) && peek(source) != character) word.text += take(source);
                take(source);
            } else if (character == '\\' && !atEnd(source)) {
                word.text += take(source);
            } else {
                word.text += character;
            }
        }
        words.push_back(word);
    }
    return words;
}

bool isCommand(const std::string& word, const char* name) {
    return word == name || (word.size() > std::string(name).size() && word.ends_with(std::string("/") + name));
}

std::optional<double> decimalIn(const std::string& text) {
    SourceText source{text};
    const std::optional<double> value = takeDecimal(source);
    if (!value || !atEnd(source)) return std::nullopt;
    return value;
}

void addNote(const BeepNote& note, Melody& melody) {
    for (unsigned repeat = 0; repeat < note.repeats; ++repeat) {
        melody.push_back({note.frequency, note.length});
        if (note.delayAfterLast || repeat + 1 < note.repeats) melody.push_back({restFrequency, note.delay});
    }
}

// The value of an option: "-f 440", "-f440" or "--freq=440".
struct OptionValue {
    std::string text;
    std::size_t offset;
};

std::string readBeep(const SourceText& source, const std::vector<Word>& words, std::size_t first, Melody& melody) {
    BeepNote note;
    for (std::size_t index = first; index < words.size(); ++index) {
        const Word& word = words[index];
        const std::string& option = word.text;
        if (option == "-n" || option == "--new") {
            addNote(note, melody);
            note = BeepNote{};
            continue;
        }
        if (option == "--verbose" || option == "--debug") continue;
        char letter = 0;
        OptionValue value{{}, word.offset};
        if (option.size() >= 2 && option[0] == '-' && option[1] != '-') {
            letter = option[1];
            if (option.size() > 2) value = {option.substr(2), word.offset + 2};
        } else if (option.starts_with("--")) {
            const std::size_t equals = option.find('=');
            const std::string name = option.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            if (name == "freq") letter = 'f';
            else if (name == "length") letter = 'l';
            else if (name == "reps") letter = 'r';
            else if (name == "delay") letter = 'd';
            else if (name == "delayafter") letter = 'D';
            else if (name == "device") letter = 'e';
            if (equals != std::string::npos) value = {option.substr(equals + 1), word.offset + equals + 1};
        }
        if (letter == 0 || std::string_view("flrdDe").find(letter) == std::string_view::npos)
            return errorAt(source, word.offset, "beep has no option " + option);
        if (value.text.empty()) {
            if (index + 1 == words.size()) return errorAt(source, word.offset, "option " + option + " needs a value");
            value = {words[index + 1].text, words[index + 1].offset};
            ++index;
        }
        if (letter == 'e') continue;
        const std::optional<double> number = decimalIn(value.text);
        if (!number) return errorAt(source, value.offset, "expected a number, found \"" + value.text + "\"");
        switch (letter) {
            case 'f':
                if (*number > highestBeepFrequency) return errorAt(source, value.offset, "-f takes 0 to 20000 Hz");
                note.frequency = *number;
                break;
            case 'l':
                if (*number > longestBeep) return errorAt(source, value.offset, "-l takes 0 to 300000 ms");
                note.length = *number;
                break;
            case 'r':
                if (*number < 1 || *number > mostRepeats || *number != std::floor(*number))
                    return errorAt(source, value.offset, "-r takes 1 to 1000 repeats");
                note.repeats = static_cast<unsigned>(*number);
                break;
            default:
                if (*number > longestBeep) return errorAt(source, value.offset, "-d and -D take 0 to 300000 ms");
                note.delay = *number;
                note.delayAfterLast = letter == 'D';
        }
    }
    addNote(note, melody);
    return {};
}

// "sleep 0.5", "sleep 1s", "sleep 2m": a rest of that many seconds.
std::string readSleep(const SourceText& source, const std::vector<Word>& words, std::size_t first, Melody& melody) {
    for (std::size_t index = first; index < words.size(); ++index) {
        std::string text = words[index].text;
        const double unit = text.ends_with('m') ? 60000 : 1000;
        if (text.ends_with('m') || text.ends_with('s')) text.pop_back();
        const std::optional<double> seconds = decimalIn(text);
        if (!seconds || *seconds * unit > longestBeep)
            return errorAt(source, words[index].offset, "expected a sleep of up to 300 seconds");
        melody.push_back({restFrequency, *seconds * unit});
    }
    return {};
}

}  // namespace

std::string importBeep(std::string_view text, const ImportOptions&, Melody& melody) {
    SourceText source{text};
    while (!atEnd(source)) {
        const std::vector<Word> words = commandWords(source);
        std::size_t first = 0;
        while (first < words.size() && (words[first].text == "sudo" || words[first].text == "exec")) ++first;
        if (first == words.size()) continue;
        std::string reason;
        if (isCommand(words[first].text, "beep")) reason = readBeep(source, words, first + 1, melody);
        else if (isCommand(words[first].text, "sleep")) reason = readSleep(source, words, first + 1, melody);
        // Other commands of the script make no sound.
        if (!reason.empty()) return reason;
        if (melody.size() > longestMelody) return errorAt(source, words[first].offset, "the melody is too long");
    }
    return {};
}

// The sketch evaluator: its tokens and #defines, the declarations at the top, and the
// statements of setup() and loop() run with C's rules, each step counted so that no
// sketch runs long, nests deep or divides by zero.
#include "sketch_arithmetic.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "melody.h"
#include "source_text.h"

namespace {

enum class Kind : std::uint8_t { name, number, text, symbol };

// Kept small, since a sketch of 16 MiB may hold millions: its text and kind are found
// in the code.
struct Token {
    std::uint32_t offset;
    std::uint32_t length;
};

using TokenList = std::deque<Token>;  // grows without copying what it holds

// Raised where the sketch leaves the evaluator: the place and the construct.
struct Unread {
    std::size_t offset;
    std::string message;
};
// Raised where the sketch stops on purpose (exit(), while (1);) or the melody is full.
struct Stopped {};

constexpr const char* noEntry = "no setup() or loop() to play";

// Integers are exact in a double up to here; past it the sketch's own would overflow.
constexpr double largestInteger = 9007199254740992.0;
// The tokens read and the levels of expressions and statements entered, counted again on
// every pass of a loop: far more than real melodies take (a note costs a loop body's few
// hundred), and growing with the sketch only as it grows. A sketch past it is read by
// its values instead.
constexpr std::size_t leastStepBudget = 1'000'000;
constexpr std::size_t stepsPerToken = 2;
constexpr int deepestNesting = 400;
constexpr int deepestCalls = 32;

bool isSymbolPair(std::string_view pair) {
    static constexpr std::string_view pairs[] = {"<=", ">=", "==", "!=", "&&", "||", "++", "--", "+=",
                                                 "-=", "*=", "/=", "%=", "<<", ">>", "->", "::"};
    for (std::string_view known : pairs)
        if (pair == known) return true;
    return false;
}

bool isDigit(char character) { return std::isdigit(static_cast<unsigned char>(character)) != 0; }

struct Number {
    double value = 0;
    bool floating = false;
    std::size_t length = 0;
};

// A number of C: decimal, octal or hexadecimal integers, decimals and exponents, suffixes.
Number numberAt(std::string_view code, std::size_t start) {
    std::size_t end = start;
    const bool hex = code.compare(start, 2, "0x") == 0 || code.compare(start, 2, "0X") == 0;
    if (hex) end += 2;
    bool floating = false;
    while (end < code.size()) {
        const char character = code[end];
        if (hex ? std::isxdigit(static_cast<unsigned char>(character)) : isDigit(character)) {
            ++end;
        } else if (!hex && character == '.') {
            floating = true;
            ++end;
        } else if (!hex && (character == 'e' || character == 'E')) {
            floating = true;
            ++end;
            if (end < code.size() && (code[end] == '+' || code[end] == '-')) ++end;
        } else {
            break;
        }
    }
    const std::size_t digitsEnd = end;
    while (end < code.size() && code[end] != '\0' && std::strchr("uUlLfF", code[end])) ++end;
    Number number{0, floating, end - start};
    const char* first = code.data() + start + (hex ? 2 : 0);
    const char* last = code.data() + digitsEnd;
    if (floating) {
        std::from_chars(first, last, number.value);
    } else {
        const int base = hex ? 16 : (digitsEnd - start > 1 && code[start] == '0') ? 8 : 10;
        std::uint64_t value = 0;
        if (std::from_chars(first, last, value, base).ec != std::errc()) value = UINT64_MAX;
        number.value = static_cast<double>(value);
    }
    return number;
}

struct Tokens {
    TokenList code;    // the sketch without its preprocessor lines
    TokenList macros;  // the bodies of #define, one after another
    std::map<std::string_view, std::pair<std::size_t, std::size_t>> defines;  // name to its body in `macros`
    std::map<std::string_view, std::size_t> macroFunctions;  // #define NAME(...) to where
};

Tokens tokenize(std::string_view code) {
    Tokens tokens;
    TokenList* into = &tokens.code;
    auto add = [&](std::size_t start, std::size_t length) {
        into->push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length)});
    };
    std::string_view defining;
    std::size_t defineStart = 0;
    bool lineStart = true;
    auto endDirective = [&] {
        if (!defining.empty()) tokens.defines[defining] = {defineStart, tokens.macros.size()};
        defining = {};
        into = &tokens.code;
    };
    for (std::size_t index = 0; index < code.size();) {
        const char character = code[index];
        if (character == '\n') {
            endDirective();
            lineStart = true;
            ++index;
            continue;
        }
        if (character == '\\' && index + 1 < code.size() && code[index + 1] == '\n') {
            index += 2;  // a directive continued on the next line
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(character))) {
            ++index;
            continue;
        }
        if (character == '#' && lineStart) {
            std::size_t nameEnd = index + 1;
            while (nameEnd < code.size() && (code[nameEnd] == ' ' || code[nameEnd] == '\t')) ++nameEnd;
            std::size_t directiveEnd = nameEnd;
            while (directiveEnd < code.size() && isNameCharacter(code[directiveEnd])) ++directiveEnd;
            lineStart = false;
            into = &tokens.macros;  // a directive's tokens never reach the code
            if (code.substr(nameEnd, directiveEnd - nameEnd) == "define") {
                std::size_t name = directiveEnd;
                while (name < code.size() && (code[name] == ' ' || code[name] == '\t')) ++name;
                std::size_t nameStop = name;
                while (nameStop < code.size() && isNameCharacter(code[nameStop])) ++nameStop;
                if (nameStop < code.size() && code[nameStop] == '(') {
                    tokens.macroFunctions[code.substr(name, nameStop - name)] = name;
                } else if (nameStop > name) {
                    defining = code.substr(name, nameStop - name);
                    defineStart = tokens.macros.size();
                }
                index = nameStop;
            } else {
                // #include, #if and the rest: their words are no code.
                while (index < code.size() && code[index] != '\n') ++index;
            }
            continue;
        }
        lineStart = false;
        if (isDigit(character) || (character == '.' && index + 1 < code.size() && isDigit(code[index + 1]))) {
            const std::size_t length = numberAt(code, index).length;
            add(index, length);
            index += length;
        } else if (isNameCharacter(character)) {
            std::size_t end = index;
            while (end < code.size() && isNameCharacter(code[end])) ++end;
            add(index, end - index);
            index = end;
        } else if (character == '"' || character == '\'') {
            std::size_t end = index + 1;
            while (end < code.size() && code[end] != character && code[end] != '\n')
                end += code[end] == '\\' && end + 1 < code.size() && code[end + 1] != '\n' ? 2 : 1;
            end = std::min(end + 1, code.size());
            add(index, end - index);
            index = end;
        } else {
            const std::size_t length = isSymbolPair(code.substr(index, 2)) ? 2 : 1;
            add(index, length);
            index += length;
        }
    }
    endDirective();
    return tokens;
}

// The characters a string or character constant stands for, its quotes and escapes read.
std::string characters(std::string_view quoted) {
    std::string read;
    for (std::size_t index = 1; index + 1 < quoted.size(); ++index) {
        char character = quoted[index];
        if (character == '\\' && index + 2 < quoted.size()) {
            character = quoted[++index];
            if (character == 'n') character = '\n';
            else if (character == 't') character = '\t';
            else if (character == '0') character = '\0';
        }
        read += character;
    }
    return read;
}

// Sizes as the AVR boards that most sketches are written for have them.
std::optional<int> typeSize(std::string_view word) {
    static const std::map<std::string_view, int> sizes = {
        {"char", 1},     {"byte", 1},     {"bool", 1},    {"boolean", 1},  {"uint8_t", 1},  {"int8_t", 1},
        {"int", 2},      {"short", 2},    {"word", 2},    {"unsigned", 2}, {"signed", 2},   {"uint16_t", 2},
        {"int16_t", 2},  {"size_t", 2},   {"long", 4},    {"float", 4},    {"double", 4},   {"uint32_t", 4},
        {"int32_t", 4},  {"uint64_t", 8}, {"int64_t", 8}, {"void", 0},     {"auto", 2}};
    const auto found = sizes.find(word);
    if (found == sizes.end()) return std::nullopt;
    return found->second;
}

bool isQualifier(std::string_view word) {
    return word == "const" || word == "static" || word == "volatile" || word == "constexpr" || word == "PROGMEM" ||
           word == "inline" || word == "extern" || word == "register";
}

bool isTypeWord(std::string_view word) { return typeSize(word) || isQualifier(word); }

// A declaration's type: its size and whether it is floating.
struct Type {
    int size = 2;
    bool floating = false;
};

Type typeOf(const std::vector<std::string_view>& words) {
    Type type;
    int largest = 0;
    for (std::string_view word : words) {
        if (const std::optional<int> size = typeSize(word)) largest = std::max(largest, *size);
        if (word == "float" || word == "double") type.floating = true;
    }
    if (largest > 0) type.size = largest;
    return type;
}

struct Variable {
    SketchValue value;
    bool floating = false;
    int size = 2;
    std::string unread;  // why its value could not be had, given where it is used
    std::size_t offset = 0;
};

struct Array {
    Type type;
    std::vector<std::pair<std::size_t, std::size_t>> elements;  // token ranges
    std::vector<std::optional<SketchValue>> values;
    std::string unread;
};

struct Parameter {
    std::string_view name;
    Type type;
    bool array;
};

struct Function {
    std::vector<Parameter> parameters;
    Type returned;
    std::size_t body;  // the "{" token
};

struct Operand {
    Operand(SketchValue value, Variable* variable = nullptr, std::string_view array = {})
        : value(value), variable(variable), array(array) {}
    SketchValue value;
    Variable* variable;
    std::string_view array;  // an array's name as a pointer, `value` elements on
};

enum class Flow { next, breaking, continuing, returning };

class Sketch {
public:
    Sketch(std::string_view code, SketchSounds& sounds)
        : code(code), tokens(tokenize(code)), sounds(sounds),
          budget(leastStepBudget + stepsPerToken * tokens.code.size()) {
        matchBrackets();
    }

    SketchRun run() {
        SketchRun result;
        try {
            declareTopLevel();
            const auto setup = functions.find("setup");
            const auto loop = functions.find("loop");
            if (setup == functions.end() && loop == functions.end())
                return {false, placeOf(code, 0) + ": " + noEntry};
            try {
                if (setup != functions.end()) call(setup->second, {}, 0);
                if (loop != functions.end()) call(loop->second, {}, 0);
            } catch (const Stopped&) {
            }
            result.ran = true;
        } catch (const Unread& unread) {
            result.failure = placeOf(code, unread.offset) + ": " + unread.message;
        }
        return result;
    }

private:
    std::string_view code;
    Tokens tokens;
    SketchSounds& sounds;
    std::size_t budget;
    std::size_t steps = 0;
    static constexpr std::uint32_t unmatched = UINT32_MAX;
    std::vector<std::uint32_t> matches;  // the bracket matching each bracket token of the code

    // Where evaluation reads: the code, or a #define's body.
    const TokenList* list = &tokens.code;
    std::size_t position = 0;
    std::size_t limit = 0;

    std::map<std::string_view, Variable> globals;
    std::map<std::string_view, Array> arrays;
    std::map<std::string_view, Function> functions;
    std::deque<std::pair<std::string_view, Variable>> locals;
    // Each name's locals, innermost last, so that a look-up costs the same however many there are.
    std::unordered_map<std::string_view, std::vector<std::size_t>> localsNamed;
    std::size_t frame = 0;  // the current call's first local
    int nesting = 0;
    int calls = 0;
    int skipping = 0;  // while above 0, statements and expressions are only read past
    SketchValue returned;
    std::string toneLengthBase;  // the wait the last tone's length is a fraction of
    // A pin toggled by digitalWrite() between delayMicroseconds() is a square wave: a tone.
    double clock = 0;  // milliseconds, as the waits move it
    std::map<long long, bool> pinHigh;
    std::map<long long, double> risenAt;
    std::optional<long long> wavePin;
    double wavePeriod = 0;

    void matchBrackets() {
        matches.assign(tokens.code.size(), unmatched);
        std::vector<std::uint32_t> open;
        for (std::size_t index = 0; index < tokens.code.size(); ++index) {
            const std::string_view text = textOf(tokens.code[index]);
            if (kindOf(tokens.code[index]) != Kind::symbol) continue;
            if (text == "(" || text == "[" || text == "{") {
                open.push_back(static_cast<std::uint32_t>(index));
            } else if (text == ")" || text == "]" || text == "}") {
                const std::string_view opening = text == ")" ? "(" : text == "]" ? "[" : "{";
                if (open.empty() || textOf(tokens.code[open.back()]) != opening) continue;
                matches[open.back()] = static_cast<std::uint32_t>(index);
                matches[index] = open.back();
                open.pop_back();
            }
        }
    }

    // The bracket closing the one at the position.
    std::size_t closing() const {
        if (list != &tokens.code || position >= limit || matches[position] == unmatched || matches[position] < position)
            unread("a bracket without its match");
        return matches[position];
    }

    // Reading tokens.
    const Token& current() const {
        static const Token end{0, 0};
        return position < limit ? (*list)[position] : end;
    }
    std::size_t offsetHere() const {
        if (position < limit) return (*list)[position].offset;
        return limit > 0 && limit <= list->size() ? (*list)[limit - 1].offset : code.size();
    }
    std::string_view textOf(const Token& token) const { return code.substr(token.offset, token.length); }
    Kind kindOf(const Token& token) const {
        const char first = token.length > 0 ? code[token.offset] : ' ';
        if (isDigit(first) || (first == '.' && token.length > 1)) return Kind::number;
        if (first == '"' || first == '\'') return Kind::text;
        return isNameCharacter(first) ? Kind::name : Kind::symbol;
    }
    bool is(std::string_view text) const {
        return position < limit && kindOf(current()) != Kind::text && textOf(current()) == text;
    }
    bool isName() const { return position < limit && kindOf(current()) == Kind::name; }
    std::string_view peekText(std::size_t ahead) const {
        return position + ahead < limit ? textOf((*list)[position + ahead]) : std::string_view();
    }
    [[noreturn]] void unread(const std::string& message) const { throw Unread{offsetHere(), message}; }
    void step() {
        if (++steps > budget) unread("the sketch runs on past what any melody needs");
    }
    const Token& advance() {
        step();
        if (position >= limit) unread("the sketch ends here unfinished");
        return (*list)[position++];
    }
    void expect(std::string_view text) {
        if (!is(text)) unread("expected \"" + std::string(text) + "\"");
        advance();
    }
    bool accept(std::string_view text) {
        if (!is(text)) return false;
        advance();
        return true;
    }
    // Past a bracketed part of the code, or to just after the next ";" at this level.
    void skipPast() {
        while (position < limit && !is(";")) {
            if (list == &tokens.code && matches[position] != unmatched && matches[position] > position) {
                position = matches[position] + 1;
                if (textOf((*list)[position - 1]) == "}" && !is(";")) return;
            } else {
                advance();
            }
        }
        accept(";");
    }

    // Where reading resumes after a #define's body or a call, whether it ends or fails.
    struct Resumed {
        explicit Resumed(Sketch& sketch)
            : sketch(sketch), list(sketch.list), position(sketch.position), limit(sketch.limit),
              frame(sketch.frame), calls(sketch.calls), locals(sketch.locals.size()) {}
        ~Resumed() {
            sketch.list = list;
            sketch.position = position;
            sketch.limit = limit;
            sketch.frame = frame;
            sketch.calls = calls;
            sketch.popLocals(locals);
        }
        Sketch& sketch;
        const TokenList* list;
        std::size_t position, limit, frame;
        int calls;
        std::size_t locals;
    };

    struct Nested {
        explicit Nested(Sketch& sketch) : sketch(sketch) {
            sketch.step();  // each level is work, even where it reads no token
            if (++sketch.nesting > deepestNesting) sketch.unread("nested deeper than any melody needs");
        }
        ~Nested() { --sketch.nesting; }
        Sketch& sketch;
    };

    // The top of the sketch: its variables, arrays and functions.
    std::vector<std::string_view> typeWords() {
        std::vector<std::string_view> words;
        while (isName() || is("*") || is("&")) {
            const std::string_view word = textOf(advance());
            if (word != "*" && word != "&") words.push_back(word);
            // The declared name is the last word before what follows it.
            if (!isName() && !is("*") && !is("&")) break;
        }
        return words;
    }

    void declareTopLevel() {
        position = 0;
        limit = tokens.code.size();
        while (position < limit) {
            if (accept(";")) continue;
            const std::string_view first = textOf(current());
            if (!isName() || first == "class" || first == "struct" || first == "namespace" || first == "enum" ||
                first == "typedef" || first == "template" || first == "union" || first == "using") {
                skipPast();
                continue;
            }
            std::vector<std::string_view> words = typeWords();
            if (words.size() < 2) {
                skipPast();
                continue;
            }
            const std::string_view name = words.back();
            words.pop_back();
            const Type type = typeOf(words);
            if (is("(")) {
                defineFunction(name, type);
            } else {
                declarators(name, type, true);
            }
        }
    }

    void defineFunction(std::string_view name, Type type) {
        Function function{{}, type, 0};
        const std::size_t close = closing();
        advance();
        while (position < close) {
            std::vector<std::string_view> words;
            bool array = false;
            while (position < close && !is(",")) {
                if (isName()) words.push_back(textOf(current()));
                if (is("[")) array = true;
                advance();
            }
            accept(",");
            if (words.empty() || (words.size() == 1 && words[0] == "void")) continue;
            const std::string_view parameter = words.back();
            words.pop_back();
            function.parameters.push_back({parameter, typeOf(words), array});
        }
        position = close + 1;
        while (isName()) advance();  // const, override and the like
        if (!is("{")) {
            skipPast();  // a declaration only
            return;
        }
        function.body = position;
        position = closing() + 1;
        functions[name] = function;
    }

    // "a = 1, b[] = {...};" after the type; at the top, a value that cannot be had is
    // told only where the sketch uses it.
    void declarators(std::string_view name, Type type, bool topLevel) {
        for (;;) {
            const std::size_t offset = offsetHere();
            if (accept("[")) {
                declareArray(name, type);
            } else {
                Variable variable{{0, type.floating, -1}, type.floating, type.size, {}, offset};
                if (accept("=")) {
                    if (topLevel) {
                        try {
                            variable.value = stored(assignment().value, variable);
                        } catch (const Unread& unread) {
                            skipping = 0;
                            variable.unread = unread.message;
                            while (position < limit && !is(",") && !is(";")) skipValue();
                        }
                    } else {
                        variable.value = stored(assignment().value, variable);
                    }
                }
                if (topLevel) {
                    globals[name] = variable;
                } else if (!skipping) {
                    pushLocal(name, variable);
                }
            }
            if (!accept(",")) break;
            while (is("*") || is("&")) advance();
            if (!isName()) unread("expected a name");
            name = textOf(advance());
        }
        if (!accept(";")) {
            if (!topLevel) unread("expected \";\"");
            skipPast();
        }
    }

    void skipValue() {
        if (is("(") || is("[") || is("{"))
            position = closing() + 1;
        else
            advance();
    }

    void declareArray(std::string_view name, Type type) {
        Array array{type, {}, {}, {}};
        --position;
        position = closing() + 1;
        if (is("[")) array.unread = "an array of arrays";
        while (is("[")) position = closing() + 1;
        while (isName()) advance();  // PROGMEM
        if (accept("=")) {
            if (position < limit && kindOf(current()) == Kind::text && textOf(current()).starts_with('"')) {
                // "ccggaag": its characters and the 0 that ends them.
                for (const char character : characters(textOf(advance())))
                    array.values.emplace_back(SketchValue{static_cast<double>(character), false, -1});
                array.values.emplace_back(SketchValue{});
                array.elements.resize(array.values.size());
            } else if (is("{")) {
                const std::size_t close = closing();
                advance();
                while (position < close) {
                    const std::size_t start = position;
                    while (position < close && !is(",")) skipValue();
                    if (position > start) array.elements.emplace_back(start, position);
                    accept(",");
                }
                position = close + 1;
            } else {
                array.unread = "an array not given its values in braces";
                while (position < limit && !is(",") && !is(";")) skipValue();
            }
        } else {
            array.unread = "an array given its values as the sketch runs";
        }
        array.values.resize(array.elements.size());
        if (!skipping) arrays[name] = std::move(array);
    }

    // Values as C converts them on storing.
    SketchValue stored(SketchValue value, const Variable& variable) {
        if (variable.floating) {
            value.floating = true;
            return value;
        }
        return integer(value);
    }

    SketchValue integer(SketchValue value) {
        const double truncated = std::trunc(value.number);
        if (!(std::abs(truncated) < largestInteger)) unread("a number beyond the sketch's own");
        if (truncated != value.number) value.midiNote = -1;
        return {truncated, false, value.midiNote};
    }

    // Statements.
    Flow statement() {
        Nested nested(*this);
        if (accept(";")) return Flow::next;
        if (is("{")) return block();
        if (isName()) {
            const std::string_view word = textOf(current());
            if (word == "if") return ifStatement();
            if (word == "for") return forStatement();
            if (word == "while") return whileStatement();
            if (word == "do") return doStatement();
            if (word == "return") {
                advance();
                if (!is(";")) returned = assignment().value;
                expect(";");
                return skipping ? Flow::next : Flow::returning;
            }
            if (word == "break" || word == "continue") {
                advance();
                expect(";");
                if (skipping) return Flow::next;
                return word == "break" ? Flow::breaking : Flow::continuing;
            }
            if (word == "switch" || word == "goto" || word == "case") unread(std::string(word) + " is not read");
            if (word == "digitalWrite") {
                // A pin the sketch names without a value (LED_BUILTIN) makes no sound.
                const std::size_t start = position;
                try {
                    assignment();
                    expect(";");
                } catch (const Unread&) {
                    position = start;
                    skipPast();
                }
                return Flow::next;
            }
            if (startsDeclaration()) {
                localDeclaration();
                return Flow::next;
            }
            if (!known(word)) {
                // A call to the board or a library (pinMode, Serial.print): no sound.
                skipPast();
                return Flow::next;
            }
        }
        assignment();
        expect(";");
        return Flow::next;
    }

    void localDeclaration() {
        std::vector<std::string_view> words = typeWords();
        if (words.size() < 2) unread("expected a type and a name");
        const std::string_view name = words.back();
        words.pop_back();
        declarators(name, typeOf(words), false);
    }

    bool startsDeclaration() const {
        if (!isName()) return false;
        if (isTypeWord(textOf(current()))) return true;
        // "String name = ...": a type the evaluator does not know.
        return !known(textOf(current())) && position + 1 < limit && kindOf((*list)[position + 1]) == Kind::name;
    }

    bool known(std::string_view name) const {
        return findLocal(name) || globals.count(name) || arrays.count(name) || functions.count(name) ||
               tokens.defines.count(name) || isBuiltin(name);
    }

    static bool isBuiltin(std::string_view name) {
        return name == "tone" || name == "noTone" || name == "delay" || name == "delayMicroseconds" ||
               name == "digitalWrite" || name == "exit" || name == "abs" ||
               name == "min" || name == "max" || name.starts_with("pgm_read_");
    }

    Flow block() {
        const std::size_t scope = locals.size();
        expect("{");
        Flow flow = Flow::next;
        while (!is("}")) {
            if (position >= limit) unread("a block without its \"}\"");
            if (flow != Flow::next) {
                ++skipping;
                statement();
                --skipping;
            } else {
                flow = statement();
            }
        }
        advance();
        popLocals(scope);
        return flow;
    }

    Flow skipped() {
        ++skipping;
        statement();
        --skipping;
        return Flow::next;
    }

    bool condition() {
        expect("(");
        const SketchValue value = assignment().value;
        expect(")");
        return value.number != 0;
    }

    Flow ifStatement() {
        advance();
        const bool taken = condition() || skipping;
        const Flow flow = taken ? statement() : skipped();
        if (accept("else")) {
            if (taken && !skipping) return skipped(), flow;
            return statement();
        }
        return flow;
    }

    // Runs a loop whose parts are at these places; `test` false is a loop with no test.
    Flow loop(std::optional<std::size_t> test, std::size_t body, std::optional<std::size_t> step, std::size_t end) {
        position = test.value_or(position);
        const bool endless = !test || ((is("1") || is("true")) && (peekText(1) == ")" || peekText(1) == ";"));
        for (;;) {
            if (test) {
                position = *test;
                if (assignment().value.number == 0) break;
            }
            position = body;
            // "while (1);" is how a sketch halts.
            if (endless && (is(";") || (is("{") && peekText(1) == "}"))) throw Stopped{};
            const Flow flow = statement();
            if (flow == Flow::returning) return flow;
            if (flow == Flow::breaking) break;
            if (sounds.full()) throw Stopped{};
            if (step) {
                position = *step;
                assignment();
            }
        }
        position = end;
        return Flow::next;
    }

    Flow forStatement() {
        advance();
        const std::size_t scope = locals.size();
        expect("(");
        if (!is(";")) {
            if (startsDeclaration()) {
                localDeclaration();
            } else {
                assignment();
                expect(";");
            }
        } else {
            advance();
        }
        std::optional<std::size_t> test;
        ++skipping;
        if (!is(";")) {
            test = position;
            assignment();
        }
        expect(";");
        std::optional<std::size_t> step;
        if (!is(")")) {
            step = position;
            assignment();
        }
        expect(")");
        const std::size_t body = position;
        statement();
        --skipping;
        const std::size_t end = position;
        const Flow flow = skipping ? Flow::next : loop(test, body, step, end);
        popLocals(scope);
        return flow;
    }

    Flow whileStatement() {
        advance();
        expect("(");
        const std::size_t test = position;
        ++skipping;
        assignment();
        expect(")");
        const std::size_t body = position;
        statement();
        --skipping;
        return skipping ? Flow::next : loop(test, body, std::nullopt, position);
    }

    Flow doStatement() {
        advance();
        const std::size_t body = position;
        skipped();
        if (!accept("while")) unread("expected \"while\"");
        const std::size_t test = position + 1;
        ++skipping;
        condition();
        --skipping;
        expect(";");
        const std::size_t end = position;
        if (skipping) return Flow::next;
        position = body;
        const Flow flow = statement();
        if (flow == Flow::returning) return flow;
        if (flow == Flow::breaking) {
            position = end;
            return Flow::next;
        }
        return loop(test, body, std::nullopt, end);
    }

    // Expressions, by C's precedence.
    Operand assignment() {
        Nested nested(*this);
        Operand target = conditional();
        if (!(is("=") || is("+=") || is("-=") || is("*=") || is("/=") || is("%="))) return target;
        const std::size_t offset = offsetHere();
        const std::string_view op = textOf(advance());
        const SketchValue value = assignment().value;
        if (skipping) return {value};
        if (!target.variable) throw Unread{offset, "an assignment to something other than a variable"};
        const SketchValue result =
            op == "=" ? value : arithmetic(op.substr(0, 1), target.variable->value, value, offset);
        target.variable->value = stored(result, *target.variable);
        return {target.variable->value, target.variable};
    }

    Operand conditional() {
        Operand test = binary(0);
        if (!accept("?")) return test;
        const bool taken = test.value.number != 0 || skipping;
        if (!taken) ++skipping;
        Operand chosen = assignment();
        if (!taken) --skipping;
        expect(":");
        if (taken) ++skipping;
        Operand other = conditional();
        if (taken) --skipping;
        return taken ? chosen : other;
    }

    static int precedence(std::string_view op) {
        static const std::map<std::string_view, int> levels = {
            {"||", 1}, {"&&", 2}, {"==", 3}, {"!=", 3}, {"<", 4}, {">", 4}, {"<=", 4}, {">=", 4},
            {"+", 5},  {"-", 5},  {"*", 6},  {"/", 6},  {"%", 6}};
        const auto found = levels.find(op);
        return found == levels.end() ? 0 : found->second;
    }

    Operand binary(int above) {
        Nested nested(*this);
        Operand left = unary();
        for (;;) {
            if (position >= limit || kindOf(current()) != Kind::symbol) return left;
            const std::string_view op = textOf(current());
            const int level = precedence(op);
            if (level <= above) return left;
            const std::size_t offset = offsetHere();
            advance();
            if (op == "&&" || op == "||") {
                const bool decided = !skipping && ((op == "&&") == (left.value.number == 0));
                if (decided) ++skipping;
                const Operand right = binary(level);
                if (decided) --skipping;
                const bool truth = decided ? op == "||" : right.value.number != 0;
                left = {{truth ? 1.0 : 0.0, false, -1}};
                continue;
            }
            const Operand right = binary(level);
            if (skipping) {
                left = {{1, false, -1}};
            } else if (!left.array.empty() || !right.array.empty()) {
                // "melody + i", as pgm_read_word() is given it.
                if (op != "+" || (!left.array.empty() && !right.array.empty()))
                    throw Unread{offset, "arithmetic on an array other than adding to it"};
                left = {arithmetic(op, left.value, right.value, offset), nullptr,
                        left.array.empty() ? right.array : left.array};
            } else {
                left = {arithmetic(op, left.value, right.value, offset)};
            }
        }
    }

    SketchValue arithmetic(std::string_view op, SketchValue left, SketchValue right, std::size_t offset) {
        const bool floating = left.floating || right.floating;
        const double a = left.number;
        const double b = right.number;
        double result = 0;
        if (op == "+") result = a + b;
        else if (op == "-") result = a - b;
        else if (op == "*") result = a * b;
        else if (op == "/" || op == "%") {
            if (b == 0) throw Unread{offset, "a division by zero"};
            if (op == "%" && floating) throw Unread{offset, "% of a floating number"};
            if (floating) {
                result = a / b;
            } else {
                const auto numerator = static_cast<std::int64_t>(a);
                const auto denominator = static_cast<std::int64_t>(b);
                result = static_cast<double>(op == "/" ? numerator / denominator : numerator % denominator);
            }
        } else {
            const bool truth = op == "==" ? a == b : op == "!=" ? a != b : op == "<" ? a < b : op == ">" ? a > b
                                                                 : op == "<=" ? a <= b : a >= b;
            return {truth ? 1.0 : 0.0, false, -1};
        }
        if (!std::isfinite(result) || (!floating && !(std::abs(result) < largestInteger)))
            throw Unread{offset, "a number beyond the sketch's own"};
        return {result, floating, -1};
    }

    std::optional<Type> castType() {
        if (!is("(") || !isTypeWord(peekText(1))) return std::nullopt;
        advance();
        std::vector<std::string_view> words;
        while (isName()) words.push_back(textOf(advance()));
        while (accept("*")) {
        }
        expect(")");
        return typeOf(words);
    }

    SketchValue converted(SketchValue value, Type type) {
        if (skipping) return value;
        if (type.floating) return {value.number, true, -1};
        return integer(value);
    }

    Operand unary() {
        Nested nested(*this);
        const std::size_t offset = offsetHere();
        if (accept("-")) {
            SketchValue value = unary().value;
            return {{-value.number, value.floating, -1}};
        }
        if (accept("+")) return {unary().value};
        if (accept("!")) return {{unary().value.number == 0 ? 1.0 : 0.0, false, -1}};
        if (accept("&")) return unary();  // the address pgm_read_word() is given: its element
        if (is("++") || is("--")) {
            const std::string_view op = textOf(advance());
            Operand target = unary();
            return stepped(target, op, offset, true);
        }
        if (accept("sizeof")) return {{static_cast<double>(sizeOf()), false, -1}};
        if (const std::optional<Type> type = castType()) return {converted(unary().value, *type)};
        Operand operand = postfix();
        if (is("++") || is("--")) return stepped(operand, textOf(advance()), offset, false);
        return operand;
    }

    Operand stepped(Operand target, std::string_view op, std::size_t offset, bool before) {
        if (skipping) return target;
        if (!target.variable) throw Unread{offset, std::string(op) + " of something other than a variable"};
        const SketchValue old = target.variable->value;
        target.variable->value =
            stored(arithmetic(op.substr(0, 1), old, {1, false, -1}, offset), *target.variable);
        return {before ? target.variable->value : old, before ? target.variable : nullptr};
    }

    int sizeOf() {
        const bool parenthesised = accept("(");
        int size = 0;
        if (parenthesised && isTypeWord(textOf(current()))) {
            std::vector<std::string_view> words;
            while (isName()) words.push_back(textOf(advance()));
            size = typeOf(words).size;
        } else {
            if (!isName()) unread("sizeof of something other than a name");
            const std::string_view name = textOf(advance());
            if (const auto array = arrays.find(name); array != arrays.end()) {
                if (is("[")) {
                    ++skipping;
                    advance();
                    assignment();
                    expect("]");
                    --skipping;
                    size = array->second.type.size;
                } else {
                    size = array->second.type.size * static_cast<int>(array->second.elements.size());
                }
            } else if (Variable* variable = lookUp(name)) {
                size = variable->size;
            } else {
                unread("sizeof of " + std::string(name) + ", which the sketch does not declare");
            }
        }
        if (parenthesised) expect(")");
        return size;
    }

    Operand postfix() {
        Nested nested(*this);
        const Token& token = current();
        const std::size_t offset = offsetHere();
        if (position < limit && kindOf(token) == Kind::text && textOf(token).starts_with('\'')) {
            const std::string character = characters(textOf(advance()));
            if (character.size() != 1)
                throw Unread{offset, "a character constant of " + std::to_string(character.size())};
            return {{static_cast<double>(static_cast<unsigned char>(character[0])), false, -1}};
        }
        if (position < limit && kindOf(token) == Kind::number) {
            advance();
            const Number number = numberAt(code, token.offset);
            if (!number.floating && !(number.value < largestInteger))
                throw Unread{offset, "a number beyond the sketch's own"};
            return {{number.value, number.floating, -1}};
        }
        if (accept("(")) {
            Operand inner = assignment();
            expect(")");
            return inner;
        }
        if (!isName())
            unread(position < limit && kindOf(token) == Kind::text ? "a string where a number is wanted"
                                                                   : "expected a number");
        const std::string_view name = textOf(advance());
        if (is("(") && isTypeWord(name)) {
            // int(x), as C++ sketches cast
            advance();
            const SketchValue value = assignment().value;
            expect(")");
            return {converted(value, typeOf({name}))};
        }
        if (is("(")) return {callNamed(name, offset)};
        if (is("[")) return {element(name, offset)};
        if (accept(".") || accept("->") || accept("::"))
            unread("the member " + std::string(name) + "." + std::string(textOf(current())));
        if (skipping) return {{1, false, -1}};
        if (arrays.count(name)) return {{0, false, -1}, nullptr, name};
        return named(name, offset);
    }

    Operand named(std::string_view name, std::size_t offset) {
        if (const int note = namedNote(name); note >= 0)
            return {{std::round(440 * std::exp2((note - 69) / 12.0)), false, note}};
        if (Variable* variable = lookUp(name)) {
            if (!variable->unread.empty()) throw Unread{variable->offset, variable->unread};
            return {variable->value, variable};
        }
        if (const auto define = tokens.defines.find(name); define != tokens.defines.end())
            return {expand(define->second, offset, name)};
        if (name == "REST" || name == "false" || name == "LOW") return {{0, false, -1}};
        if (name == "true" || name == "HIGH") return {{1, false, -1}};
        if (tokens.macroFunctions.count(name)) throw Unread{offset, "the macro " + std::string(name) + "()"};
        throw Unread{offset, std::string(name) + ", which the sketch gives no value"};
    }

    SketchValue expand(std::pair<std::size_t, std::size_t> body, std::size_t offset, std::string_view name) {
        if (body.first == body.second) throw Unread{offset, std::string(name) + ", which is defined as nothing"};
        return within(&tokens.macros, body.first, body.second, offset);
    }

    // The value of an expression elsewhere: a #define's body, an array's element.
    SketchValue within(const TokenList* other, std::size_t from, std::size_t to, std::size_t offset) {
        const Resumed resumed(*this);
        list = other;
        position = from;
        limit = to;
        const SketchValue value = assignment().value;
        if (position != limit) throw Unread{offset, "more than one value in " + std::string(textOf((*list)[from]))};
        return value;
    }

    SketchValue element(std::string_view name, std::size_t offset) {
        advance();
        const SketchValue index = assignment().value;
        expect("]");
        if (skipping) return {1, false, -1};
        return elementAt(name, index, offset);
    }

    SketchValue elementAt(std::string_view name, SketchValue index, std::size_t offset) {
        const auto found = arrays.find(name);
        if (found == arrays.end()) throw Unread{offset, std::string(name) + "[], which the sketch does not declare"};
        Array& array = found->second;
        if (!array.unread.empty()) throw Unread{offset, array.unread};
        if (index.floating || index.number < 0 || index.number >= static_cast<double>(array.elements.size())) {
            const std::string shown =
                index.floating ? "a fraction" : std::to_string(static_cast<long long>(index.number));
            throw Unread{offset, std::string(name) + "[" + shown + "] is outside its " +
                                     std::to_string(array.elements.size()) + " values"};
        }
        const auto at = static_cast<std::size_t>(index.number);
        std::optional<SketchValue>& value = array.values[at];
        if (!value) {
            Variable kind{{}, array.type.floating, array.type.size, {}, offset};
            value = stored(within(&tokens.code, array.elements[at].first, array.elements[at].second, offset), kind);
        }
        return *value;
    }

    // Arguments as written, for telling a tone's length given as a fraction of a wait.
    std::vector<std::pair<SketchValue, std::string>> arguments() {
        std::vector<std::pair<SketchValue, std::string>> values;
        expect("(");
        while (!is(")")) {
            const std::size_t start = position;
            const SketchValue value = assignment().value;
            std::string text;
            for (std::size_t index = start; index < position; ++index) text += textOf((*list)[index]);
            values.emplace_back(value, text);
            if (!accept(",")) break;
        }
        expect(")");
        return values;
    }

    static std::string unwrapped(std::string text) {
        while (text.size() > 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
        return text;
    }

    // "d*0.9" or "0.9*d": the d the length is a fraction of, else empty.
    static std::string fractionOf(const std::string& text) {
        const std::size_t last = text.rfind('*');
        const std::size_t first = text.find('*');
        if (last == std::string::npos) return {};
        for (const auto& [number, base] : {std::pair{text.substr(last + 1), text.substr(0, last)},
                                           std::pair{text.substr(0, first), text.substr(first + 1)}}) {
            double factor = 0;
            const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), factor);
            if (error == std::errc() && end == number.data() + number.size() && factor > 0 && factor < 1)
                return unwrapped(base);
        }
        return {};
    }

    double milliseconds(const SketchValue& value, std::size_t offset) {
        if (value.number < 0) throw Unread{offset, "a length below 0"};
        return std::trunc(value.number);  // unsigned long
    }

    SketchValue callNamed(std::string_view name, std::size_t offset) {
        if (name.starts_with("pgm_read_")) {
            // Flash memory read through the element's address, "&melody[i]" or "melody + i".
            expect("(");
            const Operand address = assignment();
            expect(")");
            if (skipping || address.array.empty()) return address.value;
            return elementAt(address.array, address.value, offset);
        }
        auto values = arguments();
        if (skipping) return {1, false, -1};
        auto wants = [&](std::size_t least, std::size_t most) {
            if (values.size() < least || values.size() > most)
                throw Unread{offset, std::string(name) + "() with " + std::to_string(values.size()) + " arguments"};
        };
        if (name == "delayMicroseconds") {
            wants(1, 1);
            const double wait = milliseconds(values[0].first, offset) / 1000;
            clock += wait;
            sounds.delay(wait, false);
            return {};
        }
        if (name == "digitalWrite") {
            wants(2, 2);
            toggle(static_cast<long long>(integer(values[0].first).number), values[1].first.number != 0);
            return {};
        }
        if (name == "tone" || name == "noTone" || name == "delay") endWave();
        if (name == "tone") {
            wants(2, 3);
            sounds.at(offset);
            sounds.tone(values[1].first, values.size() == 3 ? milliseconds(values[2].first, offset) : -1);
            toneLengthBase = values.size() == 3 ? fractionOf(unwrapped(values[2].second)) : "";
            if (sounds.full()) throw Stopped{};
            return {};
        }
        if (name == "noTone") {
            sounds.noTone();
            return {};
        }
        if (name == "delay") {
            wants(1, 1);
            sounds.at(offset);
            clock += milliseconds(values[0].first, offset);
            risenAt.clear();
            sounds.delay(milliseconds(values[0].first, offset),
                         !toneLengthBase.empty() && unwrapped(values[0].second) == toneLengthBase);
            toneLengthBase.clear();
            return {};
        }
        if (name == "exit") throw Stopped{};
        if (name == "abs") {
            wants(1, 1);
            return {std::abs(values[0].first.number), values[0].first.floating, -1};
        }
        if (name == "min" || name == "max") {
            wants(2, 2);
            const bool first = (values[0].first.number < values[1].first.number) == (name == "min");
            return {first ? values[0].first.number : values[1].first.number,
                    values[0].first.floating || values[1].first.floating, -1};
        }
        const auto function = functions.find(name);
        if (function == functions.end()) throw Unread{offset, std::string(name) + "(), which is not read"};
        std::vector<SketchValue> given;
        for (const auto& value : values) given.push_back(value.first);
        return call(function->second, given, offset);
    }

    // A rise of the pin: the wave goes on at its period, or ends, or one begins.
    void toggle(long long pin, bool high) {
        const bool wasHigh = std::exchange(pinHigh[pin], high);
        if (!high || wasHigh) return;
        const auto previous = risenAt.find(pin);
        const double period = previous == risenAt.end() ? 0 : clock - previous->second;
        risenAt[pin] = clock;
        if (wavePin && *wavePin != pin) return;
        if (wavePin && std::abs(period - wavePeriod) <= wavePeriod / 20) return;
        endWave();
        const double hertz = period > 0 ? 1000 / period : 0;
        if (hertz < 20 || hertz > 20000) return;  // a light blinking, not a sound
        wavePin = pin;
        wavePeriod = period;
        sounds.tone({hertz, true, -1}, -1);
    }

    void endWave() {
        if (!wavePin) return;
        wavePin.reset();
        sounds.noTone();
    }

    SketchValue call(const Function& function, const std::vector<SketchValue>& given, std::size_t offset) {
        const Resumed resumed(*this);
        if (++calls > deepestCalls) throw Unread{offset, "calls nested deeper than any melody needs"};
        if (given.size() != function.parameters.size())
            throw Unread{offset, "a call with " + std::to_string(given.size()) + " of its " +
                                     std::to_string(function.parameters.size()) + " arguments"};
        frame = locals.size();
        for (std::size_t index = 0; index < given.size(); ++index) {
            const Parameter& parameter = function.parameters[index];
            if (parameter.array) throw Unread{offset, "an array given to a function"};
            Variable variable{{}, parameter.type.floating, parameter.type.size, {}, offset};
            variable.value = stored(given[index], variable);
            pushLocal(parameter.name, variable);
        }
        list = &tokens.code;
        limit = tokens.code.size();
        position = function.body;
        returned = {};
        const Flow flow = block();
        SketchValue result = flow == Flow::returning ? returned : SketchValue{};
        if (function.returned.size > 0) {
            Variable kind{{}, function.returned.floating, function.returned.size, {}, offset};
            result = stored(result, kind);
        }
        return result;
    }

    void pushLocal(std::string_view name, const Variable& variable) {
        localsNamed[name].push_back(locals.size());
        locals.emplace_back(name, variable);
    }

    void popLocals(std::size_t size) {
        while (locals.size() > size) {
            const auto named = localsNamed.find(locals.back().first);
            named->second.pop_back();
            if (named->second.empty()) localsNamed.erase(named);
            locals.pop_back();
        }
    }

    // A local of the running call; those of its callers are out of sight.
    Variable* findLocal(std::string_view name) const {
        const auto named = localsNamed.find(name);
        if (named == localsNamed.end() || named->second.back() < frame) return nullptr;
        return const_cast<Variable*>(&locals[named->second.back()].second);
    }

    Variable* lookUp(std::string_view name) {
        if (Variable* local = findLocal(name)) return local;
        const auto global = globals.find(name);
        return global == globals.end() ? nullptr : &global->second;
    }
};

}  // namespace

int namedNote(std::string_view name) {
    if (!name.starts_with("NOTE_") || name.size() < 7 || !std::isupper(static_cast<unsigned char>(name[5])))
        return -1;
    int semitone = semitoneOfLetter(name[5]);
    std::size_t next = 6;
    if (semitone < 0 || name[5] == 'H') return -1;
    if (name[next] == 'S') {
        ++semitone;
        ++next;
    }
    if (next + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[next]))) return -1;
    return 12 * (name[next] - '0' + 1) + semitone;
}

namespace {

bool hasWord(std::string_view code, std::string_view word) {
    for (std::size_t found = code.find(word); found != std::string_view::npos; found = code.find(word, found + 1)) {
        const std::size_t after = found + word.size();
        const bool starts = found == 0 || !isNameCharacter(code[found - 1]);
        if (starts && (after == code.size() || !isNameCharacter(code[after]))) return true;
    }
    return false;
}

}  // namespace

SketchRun runSketch(std::string_view code, SketchSounds& sounds) {
    if (code.size() >= UINT32_MAX) return {false, "the sketch is too large to play"};
    // Most texts that are no sketch never name either: they are not tokenized at all.
    if (!hasWord(code, "setup") && !hasWord(code, "loop")) return {false, placeOf(code, 0) + ": " + noEntry};
    return Sketch(code, sounds).run();
}

#include "DriverScript.h"

#include <map>
#include <sstream>

namespace {

// Verb -> fewest and most words after it (-1: any number).
const std::map<std::string, std::pair<int, int>>& arities() {
    static const std::map<std::string, std::pair<int, int>> all = {
        {"start", {1, -1}},    {"page", {1, 2}},       {"text", {1, -1}},  {"contains", {2, -1}},
        {"enabled", {2, 2}},   {"visible", {2, 2}},    {"rows", {2, 3}},   {"cell", {4, -1}},
        {"selected", {3, 3}},  {"progress", {2, 3}},   {"rises", {1, 2}},  {"click", {1, 1}},
        {"click-row", {2, 2}}, {"ip", {2, 2}},         {"escape", {0, 0}}, {"close", {0, 0}},
        {"gone", {0, 1}},      {"exit", {1, 2}},       {"shot", {1, 1}},   {"sleep", {1, 1}},
        {"sim", {1, -1}},      {"sim-state", {1, -1}},
    };
    return all;
}

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Replaces each "${NAME}"; false with the name of the first unset one.
bool expand(const std::string& line, const DriverScript::Lookup& lookup, std::string& out,
            std::string& missing) {
    out.clear();
    size_t at = 0;
    for (;;) {
        const size_t open = line.find("${", at);
        const size_t close = open == std::string::npos ? open : line.find('}', open + 2);
        if (close == std::string::npos) {
            out += line.substr(at);
            return true;
        }
        const std::string name = line.substr(open + 2, close - open - 2);
        std::string value;
        if (!lookup(name, value)) {
            missing = name;
            return false;
        }
        out += line.substr(at, open - at) + value;
        at = close + 1;
    }
}

} // namespace

bool DriverScript::parse(const std::string& text, const Lookup& lookup,
                         std::vector<DriverStep>& steps, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        std::string missing;
        if (!expand(std::string(line), lookup, line, missing)) {
            error = "line " + std::to_string(number) + ": " + missing + " is not set";
            return false;
        }
        DriverStep step;
        step.line = number;
        std::istringstream words(line);
        words >> step.verb;
        for (std::string w; words >> w;)
            step.words.push_back(w);
        step.rest = trim(line.substr(step.verb.size()));
        const auto arity = arities().find(step.verb);
        if (arity == arities().end()) {
            error = "line " + std::to_string(number) + ": unknown step '" + step.verb + "'";
            return false;
        }
        const int count = static_cast<int>(step.words.size());
        if (count < arity->second.first ||
            (arity->second.second >= 0 && count > arity->second.second)) {
            error = "line " + std::to_string(number) + ": wrong number of words for '" + step.verb +
                    "'";
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

std::string DriverScript::textAfter(const DriverStep& step, size_t n) {
    std::string rest = step.rest;
    for (size_t i = 0; i < n; ++i) {
        const size_t word = rest.find_first_not_of(" \t");
        if (word == std::string::npos)
            return std::string();
        const size_t end = rest.find_first_of(" \t", word);
        rest = end == std::string::npos ? std::string() : rest.substr(end);
    }
    return trim(rest);
}

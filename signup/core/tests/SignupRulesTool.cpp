// Reads commands on standard input and writes results, for the Python oracle test:
//   sha1 <hex bytes>                 -> the digest in hex
//   form <hex> x 21                  -> the form body (twenty record values in store order, then the
//                                       machine identifier; "-" stands for an empty value)
#include "signup/core/Sha1.h"
#include "signup/core/SignupRules.h"

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string FromHex(const std::string& hex)
{
    std::string out;
    if (hex == "-")
        return out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        std::vector<std::string> args;
        for (std::string word; in >> word;)
            args.push_back(FromHex(word));
        if (command == "sha1" && args.size() <= 1) {
            std::string data = args.empty() ? std::string() : args[0];
            std::cout << Sha1Hex(data.data(), data.size()).GetString() << "\n";
        } else if (command == "form" && args.size() == 21) {
            std::size_t count = 0;
            const SignupRecordField* fields = SignupRecordFields(&count);
            SignupRecord record;
            for (std::size_t i = 0; i < count; ++i)
                record.*fields[i].member = CString(args[i]);
            record.MachineId = CString(args[20]);
            std::cout << signup::BuildSignupForm(record, "").GetString() << "\n";
        } else {
            std::cout << "?\n";
        }
        std::cout.flush();
    }
    return 0;
}

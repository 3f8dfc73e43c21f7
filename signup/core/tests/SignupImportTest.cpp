#include "signup/core/SignupImport.h"

#include "net/access/NetAccount.h"
#include "resources/ids/net.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const char kPcFile[] = "00:1.0\r\n01:OK\r\n02:PC-Client\r\n03:login01\r\n04:pass01\r\n17:comm01\r\n18:secret\r\n"
                       "19:Name One\r\n";

class NoPoster : public IFormPoster {
public:
    bool PostForm(const char*, const char*, const CString&, CString*, std::uint32_t* error) override
    {
        *error = 1;
        return false;
    }
};

} // namespace

TEST(SignupImport, OnlyAUsablePcClientFileReachesTheAccount)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("nv_cni_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const struct {
        const char* name;
        std::string content; // empty name below: no file at all
        bool exists;
        bool applied;
        std::string messages;
    } rows[] = {
        {"usable", kPcFile, true, true, ""},
        {"usable, <br> lines", "00:1.0<br>01:OK<br>02:PC_Client<br>03:login01<br>04:pass01<br>17:comm01<br>", true,
         true, ""},
        {"refused by the service", "00:1.0\r\n01:NG\r\n02:PC-Client\r\n98:\r\nstopped (7)\r\n99:\r\n", true, false,
         "text:stopped (7)/48;"},
        {"other version", std::string(kPcFile).replace(3, 3, "2.0"), true, false,
         "id:" + std::to_string(IDS_IMPORT_UNUSABLE) + "/48;"},
        {"no login", "00:1.0\r\n01:OK\r\n02:PC-Client\r\n17:comm01\r\n", true, false,
         "id:" + std::to_string(IDS_IMPORT_UNUSABLE) + "/48;"},
        {"not text", std::string("00:1.0\r\n01:OK\0\r\n03:x\r\n", 20), true, false,
         "id:" + std::to_string(IDS_IMPORT_UNUSABLE) + "/48;"},
        {"too long", std::string(kPcFile) + std::string(CAccountImport::kMaxFileBytes, ' '), true, false,
         "id:" + std::to_string(IDS_IMPORT_UNUSABLE) + "/48;"},
        {"missing file", "", false, false, "id:" + std::to_string(IDS_IMPORT_UNUSABLE) + "/48;"},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::filesystem::path file = dir / ("f" + std::to_string(n++) + ".cni");
        if (row.exists)
            std::ofstream(file, std::ios::binary) << row.content;
        CNetInfo net;
        net.m_LoginID = "before";
        net.m_Comm_id = "oldcomm";
        CNetInfoAccount account(net, nullptr);
        NoPoster poster;
        CServiceForms forms(account, poster);
        std::string messages;
        SignupImportMessages sink;
        sink.showId = [&](unsigned id, unsigned flags) { messages += "id:" + std::to_string(id) + "/" + std::to_string(flags) + ";"; };
        sink.showText = [&](const CString& text, unsigned flags) {
            messages += "text:" + text.str() + "/" + std::to_string(flags) + ";";
        };
        EXPECT_EQ(row.applied, ImportSignupConnectionFile(net, forms, file.string().c_str(), sink)) << row.name;
        EXPECT_EQ(row.messages, messages) << row.name;
        EXPECT_STREQ(row.applied ? "login01" : "before", net.m_LoginID.GetString()) << row.name;
        EXPECT_STREQ(row.applied ? "comm01" : "oldcomm", net.m_Comm_id.GetString()) << row.name;
    }
    std::filesystem::remove_all(dir);
}

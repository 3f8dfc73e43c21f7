#include "shell/common/utilities/AccessPointList.h"

#include <gtest/gtest.h>

#include <string>

TEST(AccessPointList, ParsesLinesSkipsCommentsAndShortLines)
{
    std::string file = "/ comment,a,b,c\r\n"
                       "Tokyo,03-1234-5678,03,x\r\n"
                       "short,1,2\r\n"
                       "\r\n"
                       "Osaka,0990-11-2222,06,y,z\r\n"
                       "last,1,2,3";
    auto list = ParseAccessPointList(file.data(), file.size());
    ASSERT_EQ(3u, list.size());
    EXPECT_STREQ("Tokyo", list[0].name.GetString());
    EXPECT_STREQ("03-1234-5678", list[0].number.GetString());
    EXPECT_STREQ("03", list[0].areaCode.GetString());
    EXPECT_STREQ("x", list[0].extra.GetString());
    EXPECT_STREQ("y,z", list[1].extra.GetString()) << "the fourth field runs to the line end";
    EXPECT_STREQ("3", list[2].extra.GetString());
    const AccessPoint* found = FindAccessPoint(list, "0990-11-2222");
    ASSERT_NE(nullptr, found);
    EXPECT_STREQ("06", found->areaCode.GetString());
    EXPECT_EQ(nullptr, FindAccessPoint(list, ""));
    EXPECT_EQ(nullptr, FindAccessPoint(list, "000"));
}

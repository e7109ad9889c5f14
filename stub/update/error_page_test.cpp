#include "stub/update/error_page.h"

#include <gtest/gtest.h>

TEST(ErrorPage, HtmlPagesWithATitleAreErrorPages) {
    const struct {
        const char* content;
        bool errorPage;
    } cases[] = {
        {"<html><head><title>404 Not Found</title></head>", true},
        {"<TITLE>Error 404</TITLE>", true},
        {"<HTML><HEAD><TITLE>Welcome</TITLE></HEAD>", true},
        {"404 first <title>x</title>", false},
        {"<title>x</title> then 404", false},
        {"<head><html><title>x</title>", false},
        {"[Update]\r\nVersion=404\r\n", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsErrorPage(c.content), c.errorPage) << c.content;
}

TEST(ErrorPage, MessageNamesTheUrlAndHintsAtIisWhenAsked) {
    const std::string page = "<html><head><title>404 - Not Found</title></head>IIS 10";
    const std::string url = "http://h/app/Info.ini";
    const std::string base =
        "<B>404 File Not Found...</B><P><P>URL:  http://h/app/Info.ini.<P><P>Please make sure the "
        "file is available and access is allowed to this file.";
    EXPECT_EQ(ErrorPageMessage(page, url, false, "dflt"), base);
    EXPECT_EQ(ErrorPageMessage(page, url, true, "dflt"),
              base +
                  "<P><P>If you are using an IIS webserver you must define appropriate "
                  "MIME-Types.");
    EXPECT_EQ(ErrorPageMessage("<html><head><title>x</title>", url, true, "dflt"), base);
    EXPECT_EQ(ErrorPageMessage("[Update]", url, true, "dflt"), "dflt");
}

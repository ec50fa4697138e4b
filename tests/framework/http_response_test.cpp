#include "framework/net/QeHttpResponse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Value(const std::string& head, const std::string& name) {
    return QeHttpFindHeaderValue(head.data(), head.size(), name);
}

QeHttpResponse Fed(const std::string& bytes, size_t chunk) {
    QeHttpResponse response;
    for (size_t i = 0; i < bytes.size(); i += chunk) {
        const std::string piece = bytes.substr(i, chunk);
        EXPECT_TRUE(response.Append(piece.data(), static_cast<uint32_t>(piece.size())));
    }
    return response;
}

TEST(HttpResponse, HeadEndIsFoundAcrossAnySplit) {
    const std::string bytes = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    for (size_t chunk = 1; chunk <= bytes.size(); ++chunk) {
        QeHttpResponse response = Fed(bytes, chunk);
        ASSERT_TRUE(response.HasHead()) << chunk;
        EXPECT_EQ(response.Status(), 200);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(response.Body()), response.BodyLength()), "hello");
        EXPECT_EQ(response.HeaderA("content-length"), "5");
    }

    // The body may itself hold an empty line; the first one ends the head.
    QeHttpResponse twice = Fed("HTTP/1.0 200 OK\r\n\r\na\r\n\r\nb", 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(twice.Body()), twice.BodyLength()), "a\r\n\r\nb");

    QeHttpResponse partial = Fed("HTTP/1.0 200 OK\r\nX: 1\r\n", 4);
    EXPECT_FALSE(partial.HasHead());
    EXPECT_EQ(partial.Body(), nullptr);
    EXPECT_EQ(partial.BodyLength(), 0u);
    EXPECT_EQ(partial.Status(), 0);

    QeHttpResponse emptyBody = Fed("HTTP/1.0 204 No Content\r\n\r\n", 100);
    EXPECT_TRUE(emptyBody.HasHead());
    EXPECT_EQ(emptyBody.BodyLength(), 0u);
    EXPECT_NE(emptyBody.Body(), nullptr);
}

TEST(HttpResponse, RefusesToGrowPastTheCap) {
    QeHttpResponse response;
    std::string block(1 << 20, 'x');
    for (uint32_t i = 0; i < QeHttpResponse::kMaxBytes / block.size(); ++i) {
        ASSERT_TRUE(response.Append(block.data(), static_cast<uint32_t>(block.size())));
    }
    EXPECT_EQ(response.Raw().Size(), QeHttpResponse::kMaxBytes);
    EXPECT_FALSE(response.Append("y", 1));
    EXPECT_EQ(response.Raw().Size(), QeHttpResponse::kMaxBytes);
    response.Clear();
    EXPECT_EQ(response.Raw().Size(), 0u);
    EXPECT_TRUE(response.Append("y", 1));
}

TEST(HttpResponse, StatusComesFromTheFirstLineOnly) {
    auto status = [](const std::string& s) { return QeHttpParseStatus(s.data(), s.size()); };
    EXPECT_EQ(status("HTTP/1.0 404 Not Found\r\n"), 404);
    EXPECT_EQ(status("  HTTP/1.1\t302\r\n"), 302);
    EXPECT_EQ(status("HTTP/1.0\r\n200 OK\r\n"), 0);
    EXPECT_EQ(status("HTTP/1.0 OK 200\r\n"), 0);
    EXPECT_EQ(status("HTTP/1.0 -5\r\n"), -5);
    EXPECT_EQ(status("HTTP/1.0 99999999999999999999\r\n"), INT32_MAX);
    EXPECT_EQ(status(""), 0);
    EXPECT_EQ(status("\r\n"), 0);
}

TEST(HttpResponse, HeaderLookup) {
    const std::string head =
        "HTTP/1.0 200 OK\r\n"
        "Content-Type:text/plain \t\r\n"
        "X-A: one\r\n"
        " two\r\n"
        "\tthree\r\n"
        "X-B= eq\r\n"
        "X-Longer: no\r\n"
        "X-A: second\r\n"
        "\r\n"
        "X-C: body\r\n";
    EXPECT_EQ(Value(head, "content-type"), "text/plain");
    EXPECT_EQ(Value(head, "X-A"), "onetwothree");  // folded lines join without their first blank
    EXPECT_EQ(Value(head, "x-b"), "eq");
    EXPECT_EQ(Value(head, "X-Long"), "");  // the name must be followed by ":" or "="
    EXPECT_EQ(Value(head, "X-C"), "");     // the body is not the head
    EXPECT_EQ(Value(head, "Missing"), "");
    EXPECT_EQ(Value(head, ""), "");

    // A line longer than 998 bytes ends the walk; so does a line without CR LF.
    const std::string longLine = "HTTP/1.0 200 OK\r\nX-L: " + std::string(995, 'a') + "\r\nX-After: 1\r\n\r\n";
    EXPECT_EQ(Value(longLine, "X-After"), "");
    const std::string justFits = "HTTP/1.0 200 OK\r\nX-L: " + std::string(993, 'a') + "\r\nX-After: 1\r\n\r\n";
    EXPECT_EQ(Value(justFits, "X-After"), "1");
    EXPECT_EQ(Value("HTTP/1.0 200 OK\r\nX-End: cut", "X-End"), "");
    // The search never reads past the bytes given.
    const std::string cut = "HTTP/1.0 200 OK\r\nX-A: 1\r\n";
    EXPECT_EQ(QeHttpFindHeaderValue(cut.data(), cut.size() - 2, "X-A"), "");
}

TEST(HttpResponse, CookiesSkipAttributesAndBarePieces) {
    std::vector<QeHttpCookie> cookies;
    QeHttpParseCookies(L"id=7; path=/; HttpOnly", cookies);
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0].name, L"id");
    EXPECT_EQ(cookies[0].value, L"7");

    QeHttpParseCookies(L"s=a b;Domain=x; Expires=Wed, 21 Oct 2015 07:28:00 GMT; Secure; =v; e=; id=8", cookies);
    ASSERT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies[1].name, L"s");
    EXPECT_EQ(cookies[1].value, L"a");  // the value is one run without white space
    EXPECT_EQ(cookies[2].name, L"id");  // a name already present is appended again
    EXPECT_EQ(cookies[2].value, L"8");

    QeHttpParseCookies(L"big=" + std::wstring(1024, L'v'), cookies);
    QeHttpParseCookies(std::wstring(1024, L'n') + L"=1", cookies);
    EXPECT_EQ(cookies.size(), 3u);
    QeHttpParseCookies(L"", cookies);
    EXPECT_EQ(cookies.size(), 3u);
}

TEST(HttpResponse, RedirectTargets) {
    const QeUrl current(L"http://here:8080/dir/page");
    QeUrl target;
    ASSERT_TRUE(QeHttpRedirectUrl(current, L"http://other/x", target));
    EXPECT_EQ(target.Host(), L"other");
    EXPECT_EQ(target.Port(), 80);
    EXPECT_EQ(target.Path(), L"x");

    ASSERT_TRUE(QeHttpRedirectUrl(current, L"HTTP://other:81/y", target));
    EXPECT_EQ(target.Host(), L"other");
    EXPECT_EQ(target.Port(), 81);

    // Relative locations stay on the current host and port; a leading "/" gives no "//".
    ASSERT_TRUE(QeHttpRedirectUrl(current, L"update/pkg", target));
    EXPECT_EQ(target.Host(), L"here");
    EXPECT_EQ(target.Port(), 8080);
    EXPECT_EQ(target.Path(), L"update/pkg");
    ASSERT_TRUE(QeHttpRedirectUrl(current, L"/update/pkg", target));
    EXPECT_EQ(target.Path(), L"update/pkg");
    ASSERT_TRUE(QeHttpRedirectUrl(current, L"/", target));
    EXPECT_EQ(target.Path(), L"");

    ASSERT_TRUE(QeHttpRedirectUrl(current, L"//third:9/z", target));
    EXPECT_EQ(target.Host(), L"third");
    EXPECT_EQ(target.Port(), 9);
    EXPECT_EQ(target.Path(), L"z");

    EXPECT_FALSE(QeHttpRedirectUrl(current, L"https://secure/x", target));
    EXPECT_FALSE(QeHttpRedirectUrl(current, L"ftp://files/x", target));
    EXPECT_FALSE(QeHttpRedirectUrl(current, L"", target));
    // A "://" inside a relative path is no scheme.
    ASSERT_TRUE(QeHttpRedirectUrl(current, L"go?to=https://x", target));
    EXPECT_EQ(target.Host(), L"here");
}

}  // namespace

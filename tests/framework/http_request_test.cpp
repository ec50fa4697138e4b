#include "framework/net/QeHttpRequest.h"

#include <gtest/gtest.h>

#include "framework/base/QeStrings.h"
#include "tests/framework/temp_dir.h"

namespace {

std::string Ansi(const std::wstring& text) { return QeStrings::WideToAnsi(text); }

TEST(Url, SplitsSchemeHostPortAndEscapedPath) {
    QeUrl url(L"web://server:8080/a b/c.txt");
    EXPECT_EQ(url.Scheme(), L"web");
    EXPECT_EQ(url.Host(), L"server");
    EXPECT_EQ(url.Port(), 8080);
    EXPECT_EQ(url.Path(), L"a%20b/c.txt");

    QeUrl bare(L"server");
    EXPECT_EQ(bare.Scheme(), L"");
    EXPECT_EQ(bare.Host(), L"server");
    EXPECT_EQ(bare.Port(), 80);
    EXPECT_EQ(bare.Path(), L"");

    // Only the first "://" ends the scheme; a later one belongs to the path.
    QeUrl nested(L"http://h/x?u=http://other/%");
    EXPECT_EQ(nested.Host(), L"h");
    EXPECT_EQ(nested.Path(), L"x?u=http://other/%25");

    QeUrl noPort(L"http://h:/p");
    EXPECT_EQ(noPort.Host(), L"h");
    EXPECT_EQ(noPort.Port(), 0);
}

class RequestText : public ::testing::Test {
protected:
    std::vector<QeHttpCookie> cookies;
    std::vector<QeHttpFormField> fields;
    QeHttpRequest request{cookies, fields};
};

TEST_F(RequestText, PlainGetHasThreeLines) {
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"server"))), "GET / HTTP/1.0\r\nHost: server:80\r\n\r\n");
    EXPECT_EQ(request.BodyLength(), 0u);
}

TEST_F(RequestText, GetWithQueryCookiesAndRange) {
    fields.push_back({L"id", L"a b", false});
    fields.push_back({L"n", L"5%", false});
    cookies.push_back({L"a", L"1"});
    cookies.push_back({L"b", L"2"});
    request.SetRange(100, 0);
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"http://h:81/dir/f.txt"))),
              "GET /dir/f.txt?id=a%20b&n=5%25 HTTP/1.0\r\n"
              "Host: h:81\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Cookie: a=1;b=2\r\n"
              "Range: bytes=100-\r\n"
              "\r\n");
    EXPECT_EQ(request.BodyLength(), 0u);  // a GET carries its fields in the query

    request.SetRange(0, 99);
    request.SetVersion(L"1.1");
    fields.clear();
    cookies.clear();
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"h/x"))), "GET /x HTTP/1.1\r\nHost: h:80\r\nRange: bytes=0-99\r\n\r\n");
}

TEST_F(RequestText, PostFormEncodedCountsAnsiBytes) {
    request.SetMethod(QeHttpRequest::kPost);
    fields.push_back({L"name", L"\xD55C\xAE00", false});  // two Hangul syllables: four CP949 bytes
    fields.push_back({L"x", L"1", false});
    EXPECT_EQ(request.BuildQuery(), L"name=\xD55C\xAE00&x=1");
    EXPECT_EQ(request.BodyLength(), 13u);  // "name=" 5, two syllables 4, "&x=1" 4
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"h/post"))),
              "POST /post HTTP/1.0\r\n"
              "Host: h:80\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 13\r\n"
              "\r\n");

    fields.clear();
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"h/post"))), "POST /post HTTP/1.0\r\nHost: h:80\r\nContent-Length: 0\r\n\r\n");
}

TEST_F(RequestText, PostMultipartWithValueAndFile) {
    TempDir dir;
    ASSERT_TRUE(dir.Valid());
    dir.WriteBytes("f.bin", std::string("\x00\x01\xff", 3) + "data");
    const std::wstring path = dir.Path(L"f.bin");

    request.SetMethod(QeHttpRequest::kPost);
    request.SetBodyKind(QeHttpRequest::kMultipart);
    fields.push_back({L"x", L"\xD55C", false});
    fields.push_back({L"up", path, true});

    const std::string b = Ansi(request.Boundary());
    ASSERT_EQ(b.size(), 72u);
    EXPECT_EQ(b.substr(0, 40), std::string(40, '-'));
    EXPECT_EQ(b.find_first_not_of("0123456789abcdef", 40), std::string::npos);

    const std::string body = "--" + b + "\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\n" + Ansi(L"\xD55C") +
                             "\r\n" + "--" + b + "\r\nContent-Disposition: form-data; name=\"up\"; filename=\"" +
                             Ansi(path) + "\"\r\n\r\n" + std::string("\x00\x01\xff", 3) + "data\r\n" + "--" + b +
                             "--\r\n";
    EXPECT_EQ(request.BodyLength(), body.size());
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"h/up"))),
              "POST /up HTTP/1.0\r\nHost: h:80\r\nContent-Type: multipart/form-data; boundary=" + b +
                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");

    // One value field: part head, content, CR LF and the closing line.
    fields.erase(fields.begin() + 1);
    fields[0].value = L"y";
    EXPECT_EQ(request.BodyLength(), Ansi(request.BuildPartHead(fields[0])).size() + 1 + 2 +
                                        Ansi(request.BuildClosingLine()).size());
}

TEST_F(RequestText, ResetMakesAFreshBoundary) {
    const std::wstring first = request.Boundary();
    request.SetMethod(QeHttpRequest::kPost);
    request.SetRange(1, 2);
    request.Reset();
    EXPECT_NE(request.Boundary(), first);
    EXPECT_EQ(request.GetMethod(), QeHttpRequest::kGet);
    EXPECT_EQ(Ansi(request.BuildText(QeUrl(L"h"))), "GET / HTTP/1.0\r\nHost: h:80\r\n\r\n");
}

}  // namespace

#include "LoginPages.h"

#include "Markup.h"
#include "text/Gbk.h"

namespace rongfan::marketsim {

std::string LoginFormPage(std::string_view loginHost, std::string_view redirectUrl, bool failed) {
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" +
                      RF_GBK("淘宝网 - 淘！我喜欢") +
                      "</title>\n<link rel=\"stylesheet\" href=\"//g.alicdn.com/vip/login/0.5.2/css/login.css\" />\n"
                      "</head>\n<body class=\"login-page\">\n<div id=\"content\"><div class=\"login-box\">\n<h3>" +
                      RF_GBK("密码登录") + "</h3>\n";
    if (failed) out += "<div class=\"login-msg error\"><p class=\"error\">" + RF_GBK("请输入会员名") + "</p></div>\n";
    out += "<form id=\"J_Form\" action=\"http://" + std::string(loginHost) +
           "/member/login.jhtml\" method=\"post\" accept-charset=\"gbk\">\n";
    // The address stays percent-encoded so the page never carries the markers of a search page.
    out += "<input type=\"hidden\" name=\"redirectURL\" value=\"" + EscapeHtml(PercentEncode(redirectUrl)) + "\" />\n";
    out += "<div class=\"field username-field\"><label for=\"TPL_username_1\">" + RF_GBK("会员名：") +
           "</label><input type=\"text\" id=\"TPL_username_1\" name=\"TPL_username\" value=\"\" placeholder=\"" +
           RF_GBK("手机号/会员名/邮箱") + "\" /></div>\n";
    out += "<div class=\"field pwd-field\"><label for=\"TPL_password_1\">" + RF_GBK("登录密码：") +
           "</label><input type=\"password\" id=\"TPL_password_1\" name=\"TPL_password\" value=\"\" /></div>\n";
    out += "<div class=\"submit\"><button type=\"submit\" id=\"J_SubmitStatic\" class=\"J_Submit\">" + RF_GBK("登 录") +
           "</button></div>\n</form>\n</div></div>\n</body>\n</html>\n";
    return out;
}

std::string MovedPage(std::string_view location) {
    return "<html>\r\n<head><title>302 Found</title></head>\r\n<body bgcolor=\"white\">\r\n<h1>302 Found</h1>\r\n"
           "<p>The requested resource resides temporarily under a different URI: <a href=\"" +
           EscapeHtml(location) + "\">here</a>.</p>\r\n<hr/>Powered by Tengine</body>\r\n</html>\r\n";
}

} // namespace rongfan::marketsim

#include "agent/publication/ftp_replies.h"

#include <gtest/gtest.h>

using namespace agent::ftp_detail;

TEST(FtpReplies, ExtendedPassivePortWithAnyDelimiter) {
  EXPECT_EQ(EpsvPort("229 Entering Extended Passive Mode (|||6446|)"), 6446);
  EXPECT_EQ(EpsvPort("229 ok (!!!1025!)"), 1025);
  EXPECT_FALSE(EpsvPort("229 Entering Extended Passive Mode"));
  EXPECT_FALSE(EpsvPort("229 (|||70000|)"));
  EXPECT_FALSE(EpsvPort("229 (|||0|)"));
  EXPECT_FALSE(EpsvPort("229 (||6446|)"));
  EXPECT_FALSE(EpsvPort("229 (|||6446"));
}

TEST(FtpReplies, PassivePortIgnoresTheAddress) {
  EXPECT_EQ(PasvPort("227 Entering Passive Mode (10,0,0,7,19,137)."), 19 * 256 + 137);
  EXPECT_EQ(PasvPort("227 =192,168,1,2,4,1"), 1025);
  EXPECT_FALSE(PasvPort("227 Entering Passive Mode (10,0,0,7,300,1)."));
  EXPECT_FALSE(PasvPort("227 Entering Passive Mode (10,0,0,7)."));
  EXPECT_FALSE(PasvPort("227 rubbish"));
}

TEST(FtpReplies, QuotedPathUndoublesQuotes) {
  EXPECT_EQ(QuotedPath("257 \"/home/meteo\" is the current directory."), "/home/meteo");
  EXPECT_EQ(QuotedPath("257 \"/a \"\"b\"\" c\" created"), "/a \"b\" c");
  EXPECT_EQ(QuotedPath("257 \"/unterminated"), "");
  EXPECT_EQ(QuotedPath("257 no quotes at all"), "");
}

TEST(FtpReplies, CommandArgumentsWithLineBreaksAreCaught) {
  EXPECT_FALSE(BreaksCommandLine("index.html"));
  EXPECT_TRUE(BreaksCommandLine("index.html\r\nDELE x"));
  EXPECT_TRUE(BreaksCommandLine("a\nb"));
  EXPECT_TRUE(BreaksCommandLine(std::string("a\0b", 3)));
}

TEST(FtpReplies, ActiveModeArguments) {
  EXPECT_EQ(EprtArgument("127.0.0.1", false, 5000), "|1|127.0.0.1|5000|");
  EXPECT_EQ(EprtArgument("::1", true, 5000), "|2|::1|5000|");
  EXPECT_EQ(PortArgument("127.0.0.1", false, 5000), "127,0,0,1,19,136");
  EXPECT_EQ(PortArgument("::1", true, 5000), "");
}

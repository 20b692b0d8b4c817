#!/usr/bin/perl
# A saved web page to plain text with regular expressions, the peer `quillmar-cli html2txt` is measured
# against: drops scripts, styles, comments and tags, turns <p> and </p> into line breaks, decodes five
# entities and leaves out lines that end up blank. Works on the bytes, so it reads GBK and UTF-8 alike
# (no byte of a GBK character is "<", ">" or "&").
use strict;
use warnings;

local $/;
my $page = <>;
$page =~ s{<script\b.*?</script>}{}gsi;
$page =~ s{<style\b.*?</style>}{}gsi;
$page =~ s{<!--.*?-->}{}gs;
$page =~ s{</?p>}{\r\n}gi;
$page =~ s{<title>}{\t\t\t\t}gi;
$page =~ s{</title>}{\r\n}gi;
$page =~ s{<[^>]*>}{}gs;
$page =~ s{&(nbsp|lt|gt|quot|amp);}{ {nbsp => ' ', lt => '<', gt => '>', quot => '"', amp => '&'}->{lc $1} }gie;
$page =~ s{^[ \t]*\r?\n}{}mg;
print $page;

#!/usr/bin/perl
# Pads each PE file named to a whole number of 8-byte units and writes its header
# checksum anew, as an Authenticode signature lays a file out before it appends the
# signature. A signed file with its signature removed is then the unsigned file byte
# for byte. Without this, a file whose length is no multiple of 8 (the 32-bit files
# end in the string table that holds the name of their .eh_frame section) would come
# back from the signature padded, with another checksum.
# Usage: align-pe.pl FILE...
use strict;
use warnings;

use constant SIGNATURE_ALIGNMENT => 8;
use constant PE_HEADER_OFFSET_AT => 0x3C;  # where the DOS header keeps the PE header's offset
use constant CHECKSUM_IN_HEADER  => 0x58;  # the checksum's place after "PE\0\0"

sub read_file {
    my ($path) = @_;
    open(my $in, '<:raw', $path) or die "align-pe: $path: $!\n";
    local $/;
    my $bytes = <$in>;
    close($in);
    return $bytes;
}

sub write_file {
    my ($path, $bytes) = @_;
    open(my $out, '>:raw', $path) or die "align-pe: $path: $!\n";
    print $out $bytes;
    close($out) or die "align-pe: $path: $!\n";
}

# The PE checksum: the file's 16-bit words added with their carries folded back in,
# the checksum field counted as zero, plus the file's length.
sub pe_checksum {
    my ($bytes, $field) = @_;
    my $sum = 0;
    my @words = unpack('v*', $bytes);
    my $skip = $field / 2;
    for my $i (0 .. $#words) {
        next if $i == $skip || $i == $skip + 1;
        $sum += $words[$i];
        $sum = ($sum & 0xFFFF) + ($sum >> 16);
    }
    $sum = ($sum & 0xFFFF) + ($sum >> 16);
    return ($sum + length($bytes)) & 0xFFFFFFFF;
}

for my $path (@ARGV) {
    my $bytes = read_file($path);
    my $pe = unpack('V', substr($bytes, PE_HEADER_OFFSET_AT, 4));
    die "align-pe: $path is no PE file\n" unless substr($bytes, $pe, 4) eq "PE\0\0";
    my $rest = length($bytes) % SIGNATURE_ALIGNMENT;
    next if $rest == 0;
    $bytes .= "\0" x (SIGNATURE_ALIGNMENT - $rest);
    my $field = $pe + CHECKSUM_IN_HEADER;
    substr($bytes, $field, 4) = pack('V', pe_checksum($bytes, $field));
    write_file($path, $bytes);
}

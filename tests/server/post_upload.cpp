// Uploads a one-result table to a running score server, as the game would,
// and prints the status code: post_upload PORT PATH NAME LEVEL SCORE TIME
#include <httplib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "highscore_block.h"
#include "upload_form.h"

int main(int argc, char **argv)
{
    if (argc != 7) {
        fputs("usage: post_upload PORT PATH NAME LEVEL SCORE TIME\n", stderr);
        return 2;
    }
    PrepareUploadForms();
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    InsertHighScore(block, 0, argv[3], (unsigned)strtoul(argv[4], NULL, 10), (uint32_t)strtoul(argv[5], NULL, 10),
                    (uint32_t)strtoul(argv[6], NULL, 10));
    SetBlockChecksum(block);
    ScrambleBlock(block, sizeof block);
    httplib::Client client("127.0.0.1", atoi(argv[1]));
    httplib::Result result = client.Post(argv[2], FormatUploadForm(block), "application/x-www-form-urlencoded");
    if (!result) {
        fputs("post_upload: no answer\n", stderr);
        return 1;
    }
    printf("%d\n", result->status);
    return 0;
}

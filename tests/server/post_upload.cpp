// Uploads a one-result table to a running score server, as the game would,
// and prints the status code: post_upload PORT PATH NAME LEVEL SCORE TIME
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "highscore_block.h"
#include "http_client.h"
#include "upload_form.h"
#include "upload_form_seams.h"

int main(int argc, char **argv)
{
    if (argc != 7) {
        fputs("usage: post_upload PORT PATH NAME LEVEL SCORE TIME\n", stderr);
        return 2;
    }
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    InsertHighScore(block, 0, argv[3], (unsigned)strtoul(argv[4], NULL, 10), (uint32_t)strtoul(argv[5], NULL, 10),
                    (uint32_t)strtoul(argv[6], NULL, 10));
    SetBlockChecksum(block);
    ScrambleBlock(block, sizeof block);
    int status = Exchange(atoi(argv[1]), FormatRequest("POST", argv[2], FormatUploadForm(block)));
    if (status < 0) {
        fputs("post_upload: no answer\n", stderr);
        return 1;
    }
    printf("%d\n", status);
    return 0;
}

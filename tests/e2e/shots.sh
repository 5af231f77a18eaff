# Pixel counts of screenshots, through ImageMagick's colour histogram.

# count_pixels FILE 'AWK CONDITION ON r, g, b': pixels whose colour meets the condition.
count_pixels() {
    convert "$1" -format %c histogram:info:- | awk -v cond="$2" '
        BEGIN { FS = "[:(),]+" }
        { n = $1 + 0; r = $3 + 0; g = $4 + 0; b = $5 + 0
          if ('"$2"') sum += n }
        END { print sum + 0 }'
}

# shoot DIR NAME: a screenshot of the whole X screen into DIR/NAME.png
shoot() {
    import -window root "$1/$2.png" 2>/dev/null
}

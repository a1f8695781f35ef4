work/line/main.pre
work/feed.pre

WORK\Line\MAIN.PRE
work\LINE\Feed.pre

main.pre
feed.pre
press.pre

C:\work\main.pre

#!/usr/bin/env bash
echo todo; exit 1
